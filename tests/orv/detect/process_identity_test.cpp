#include "detect/process_identity.h"

#include <gtest/gtest.h>

#include "detect/process_termination.h"
#include "spawned_child.h"

using orv::parseStartTime;
using orv::ProcessIdentity;
using orv::readProcessIdentity;
using orv::terminateProcess;

namespace {

const std::string kLookalike = ORV_DIALER_LOOKALIKE;
const std::string kSleep = "/bin/sleep";

// Polls until `pid` runs another program than the one `before` describes.
bool waitForOtherProgram(pid_t pid, const ProcessIdentity& before) {
  for (int i = 0; i < 4000; ++i) {
    const auto now = readProcessIdentity(static_cast<std::uint32_t>(pid));
    if (now && *now != before) return true;
    const timespec pause{0, 5'000'000};
    ::nanosleep(&pause, nullptr);
  }
  return false;
}

TEST(ParseStartTime, ReadsField22AfterTheCommandName) {
  // 20 fields after the name: state, then 18 more, then the start time.
  const std::string tail = " S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 987654 19 20";
  struct Case {
    std::string line;
    std::optional<std::uint64_t> startTime;
  };
  const Case cases[] = {
      {"42 (sleep)" + tail, 987654},
      {"42 (a) (b c)" + tail, 987654},  // ")" and blanks inside the name
      {"42 ()" + tail, 987654},
      {"42 (x)  S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 5", 5},
      {"42 (zombie) Z 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 5", std::nullopt},
      {"42 (dead) X 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 5", std::nullopt},
      {"42 (short) S 1 2 3", std::nullopt},
      {"42 (bad) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 12x", std::nullopt},
      {"42 (neg) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 -5", std::nullopt},
      {"no parenthesis S 1 2", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(parseStartTime(c.line), c.startTime);
  }
}

TEST(ReadProcessIdentity, TellsProcessesApartAndKnowsNoEndedOne) {
  const auto own = readProcessIdentity(static_cast<std::uint32_t>(::getpid()));
  ASSERT_TRUE(own);
  EXPECT_EQ(readProcessIdentity(static_cast<std::uint32_t>(::getpid())), own);

  SpawnedChild child(kLookalike);
  ASSERT_TRUE(child.started());
  const auto identity = readProcessIdentity(child.id());
  ASSERT_TRUE(identity);
  EXPECT_NE(*identity, *own);

  ::kill(child.pid(), SIGKILL);
  // Ended but not yet reaped (a zombie): no longer the running process.
  for (int i = 0; i < 4000 && readProcessIdentity(child.id()); ++i) {
    const timespec pause{0, 5'000'000};
    ::nanosleep(&pause, nullptr);
  }
  EXPECT_FALSE(readProcessIdentity(child.id()));
  ASSERT_TRUE(child.waitForEnd());
  EXPECT_FALSE(readProcessIdentity(child.id()));
  EXPECT_FALSE(readProcessIdentity(0));
  EXPECT_FALSE(readProcessIdentity(0x80000000U));
}

TEST(TerminateProcess, KillsTheExaminedProcessForCertain) {
  SpawnedChild child(kLookalike);
  ASSERT_TRUE(child.started());
  const auto identity = readProcessIdentity(child.id());
  ASSERT_TRUE(identity);
  EXPECT_TRUE(terminateProcess(child.id(), *identity));
  ASSERT_TRUE(child.waitForEnd());
  EXPECT_TRUE(child.killedBy(SIGKILL));
}

TEST(TerminateProcess, LeavesAProcessThatIsNoLongerTheExaminedOne) {
  // The same id now runs another program (as after the examined process ended and its id was
  // given again): it is not hit.
  SpawnedChild child(kLookalike, {"--exec-on-usr1", kSleep});
  ASSERT_TRUE(child.started());
  const auto examined = readProcessIdentity(child.id());
  ASSERT_TRUE(examined);
  ::kill(child.pid(), SIGUSR1);
  ASSERT_TRUE(waitForOtherProgram(child.pid(), *examined));
  EXPECT_FALSE(terminateProcess(child.id(), *examined));
  EXPECT_TRUE(child.running());

  // Another start time under the same id and program: not the examined process either.
  const auto now = readProcessIdentity(child.id());
  ASSERT_TRUE(now);
  ProcessIdentity earlier = *now;
  earlier.startTime -= 1;
  EXPECT_FALSE(terminateProcess(child.id(), earlier));
  EXPECT_TRUE(child.running());
}

TEST(TerminateProcess, FailsForAnEndedProcessAndForIdsThatNameNoProcess) {
  SpawnedChild child(kLookalike);
  ASSERT_TRUE(child.started());
  const auto identity = readProcessIdentity(child.id());
  ASSERT_TRUE(identity);
  child.kill();
  EXPECT_FALSE(terminateProcess(child.id(), *identity));
  EXPECT_FALSE(terminateProcess(0, *identity));
  EXPECT_FALSE(terminateProcess(0xFFFFFFFFU, *identity));
}

}  // namespace
