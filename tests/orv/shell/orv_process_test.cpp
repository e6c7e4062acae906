// The real program as a process: it starts with a folder of data and ends in an orderly way
// when the desktop session tells it to (SIGTERM, SIGHUP, SIGINT).
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <csignal>
#include <fstream>
#include <string>

extern char** environ;

namespace {

std::string binaryDir() {
  return qEnvironmentVariable("ORV_BINARY_DIR").toStdString();
}
std::string sourceDir() {
  return qEnvironmentVariable("ORV_SOURCE_DIR").toStdString();
}

// Whether the process has installed a handler for `signal` (its "caught" mask in /proc).
bool catches(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    return (mask >> (signal - 1)) & 1;
  }
  return false;
}

class OrvProcess : public ::testing::TestWithParam<int> {};

TEST_P(OrvProcess, EndsCleanlyOnTerminationSignals) {
  QTemporaryDir dir;
  const std::string base = dir.path().toStdString() + "/";
  QFile::copy(QString::fromStdString(sourceDir() + "/data/orv.sig"), dir.filePath("orv.sig"));
  QFile::copy(QString::fromStdString(sourceDir() + "/data/hilfe.rtf"), dir.filePath("hilfe.rtf"));

  const std::string program = binaryDir() + "/bin/orv";
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(base.c_str()), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
  // However the test ends, no program is left running behind it.
  bool reaped = false;
  const auto cleanUp = qScopeGuard([&] {
    if (reaped) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  });

  // Without "orv.conf" start-up stops at an error box, which the signal must end as well.
  // Wait (bounded) until the program has its handlers in place.
  bool ready = false;
  for (int i = 0; i < 3000 && !ready; ++i) {
    ready = catches(pid, GetParam());
    if (!ready) usleep(10000);
  }
  ASSERT_TRUE(ready) << "the program never installed its signal handlers";
  ASSERT_EQ(kill(pid, GetParam()), 0);

  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 3000 && done == 0; ++i) {
    done = waitpid(pid, &status, WNOHANG);
    if (done == 0) usleep(10000);
  }
  ASSERT_NE(done, 0) << "the program did not end after the signal";
  reaped = true;
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // The shutdown ran: the missing options were stored, the lists never read were not.
  EXPECT_TRUE(QFile::exists(dir.filePath("orv.conf")));
  EXPECT_FALSE(QFile::exists(dir.filePath("erlaubt.conf")));
}

INSTANTIATE_TEST_SUITE_P(Signals, OrvProcess, ::testing::Values(SIGTERM, SIGHUP, SIGINT));

}  // namespace
