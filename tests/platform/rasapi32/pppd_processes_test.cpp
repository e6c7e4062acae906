// Finding pppd among the processes without rereading all of /proc every second, and never
// taking a later process under a reused pid for the pppd that had it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "pppd_processes.h"
#include "pppd_source.h"
#include "support/ppp_fixture.h"

using namespace orv::ras;

namespace {

// A process table the test writes.
class FakeTable final : public ProcessTable {
 public:
  struct Process {
    std::uint64_t startTime;
    std::string comm;
    std::string cmdline;
  };

  std::optional<std::uint32_t> lastPid() override { return last; }
  bool listPids(std::vector<PidEntry>& out) override {
    out.clear();
    for (const auto& [pid, p] : processes) out.push_back({pid, pid * 1000 + p.startTime});
    return true;
  }
  std::optional<ProcessStat> stat(std::uint32_t pid) override {
    const auto p = processes.find(pid);
    if (p == processes.end()) return std::nullopt;
    return ProcessStat{p->second.startTime, 'S', p->second.comm};
  }
  std::optional<std::string> cmdline(std::uint32_t pid) override {
    const auto p = processes.find(pid);
    return p == processes.end() ? std::nullopt : std::optional(p->second.cmdline);
  }
  std::uint64_t ticksSinceBoot() override { return now; }
  std::uint64_t ticksPerSecond() override { return 100; }

  // Starts process `pid`, running `args` (joined with zero bytes).
  void start(std::uint32_t pid, std::uint64_t startTime, const std::string& comm,
             const std::string& cmdline) {
    processes[pid] = {startTime, comm, cmdline};
    last = pid;
  }

  std::map<std::uint32_t, Process> processes;
  std::uint32_t last = 1;
  std::uint64_t now = 1000000;
};

const std::string kPppdCall = std::string("/usr/sbin/pppd\0call\0isp\0", 24);

struct ExecCase {
  const char* title;
  std::uint64_t ageTicks;  // how long the process ran before it became pppd
  int callsAllowed;        // how many looks it may take to find it
};

class ExecIntoPppd : public ::testing::TestWithParam<ExecCase> {};

// `pon` is a shell script that becomes pppd by exec: same pid, same start time, no new
// process for the kernel's last pid to show.
TEST_P(ExecIntoPppd, IsFoundWithoutANewProcess) {
  FakeTable table;
  for (std::uint32_t pid = 100; pid < 400; ++pid)
    table.start(pid, 10, "daemon", std::string("daemon\0", 7));
  table.start(500, table.now - GetParam().ageTicks, "sh",
              std::string("/bin/sh\0/usr/bin/pon\0", 21));
  PppdProcesses processes(table);
  EXPECT_TRUE(processes.running("/usr/sbin/pppd").empty());

  table.processes[500].comm = "pppd";
  table.processes[500].cmdline = kPppdCall;
  int calls = 0;
  std::vector<PppdProcess> found;
  while (found.empty() && calls < GetParam().callsAllowed) {
    found = processes.running("/usr/sbin/pppd");
    ++calls;
  }
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].pid, 500u);
  EXPECT_EQ(found[0].entry, "isp");
}

INSTANTIATE_TEST_SUITE_P(
    Ages, ExecIntoPppd,
    ::testing::Values(ExecCase{"RightAfterStart", 10, 1},
                      // 301 processes, a few looked at again per call: all within a round.
                      ExecCase{"LongAfterStart", 100000,
                               301 / static_cast<int>(PppdProcesses::kRecheckedPerCall) + 2}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(PppdProcesses, EndedOrReplacedPppdIsNoLongerListedOrIdentified) {
  FakeTable table;
  table.start(700, 50, "pppd", kPppdCall);
  table.start(701, 60, "pppd", std::string("pppd\0nodetach\0call\0b\0", 22));
  PppdProcesses processes(table);
  const auto first = processes.running("/usr/sbin/pppd");
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].pid, 700u);  // the older first
  EXPECT_EQ(first[1].entry, "b");

  table.processes.erase(701);
  table.start(700, 90, "pppd", kPppdCall);  // pid 700 now names a later pppd
  EXPECT_FALSE(processes.identify(700, "/usr/sbin/pppd"));
  const auto second = processes.running("/usr/sbin/pppd");
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].startTime, 90u);
}

// NetworkManager's pppd belongs to its profile, listed by the NetworkManager side.
TEST(PppdEntry, NetworkManagersPppdIsNoEntry) {
  const ProcessStat pppd{10, 'S', "pppd"};
  const std::string plugin = std::string("plugin\0/usr/lib/pppd/2.4.9/nm-pppd-plugin.so\0", 45);
  const std::string ipparam = std::string("ipparam\0/org/freedesktop/NetworkManager/PPP/1\0", 46);
  for (const std::string& marks : {plugin, ipparam, plugin + ipparam})
    EXPECT_FALSE(pppdEntry(pppd, kPppdCall + marks, "/usr/sbin/pppd"));
  EXPECT_EQ(pppdEntry(pppd, kPppdCall, "/usr/sbin/pppd"), "isp");
}

// pppd reads every peer it is called with, a later one's options overriding: an allowed
// name in front must not cover the peer that really dials.
TEST(PppdEntry, IsTheLastPeerCalled) {
  const std::string twoCalls = kPppdCall + std::string("call\0premium\0", 13);
  EXPECT_EQ(pppdEntry({10, 'S', "pppd"}, twoCalls, "/usr/sbin/pppd"), "premium");
}

// A real process stands behind the pid, so that a signal would really reach it.
TEST(PppdSourceHangUp, NeverSignalsAProcessThatTookOverThePid) {
  for (const bool reused : {true, false}) {
    SCOPED_TRACE(reused ? "reused" : "same pppd");
    orvtest::PppFixture ppp;
    ppp.writeDialPeer("isp", "0190111");
    orvtest::StubPppd& child = ppp.startDialer("isp");
    FakeTable table;
    table.start(child.handle(), 100, "pppd", kPppdCall);
    PppdSource source(table);
    std::vector<ActiveConnection> active;
    ASSERT_EQ(source.activeConnections(active), 0u);
    ASSERT_EQ(active.size(), 1u);
    ASSERT_EQ(active[0].handle, child.handle());

    if (reused) table.processes[child.handle()].startTime = 200;
    EXPECT_EQ(source.hangUp(child.handle()), reused ? RAS_ERROR_INVALID_HANDLE : RAS_SUCCESS);
    EXPECT_EQ(child.waitForEnd(reused ? 100 : 10000), !reused);
    if (!reused) {
      EXPECT_EQ(child.exitStatus(), 5);  // the stub's answer to SIGTERM
    }
  }
}

}  // namespace
