// The cost of the dial-up monitor's question "did the active connections change?" on a
// busy machine: ListActiveConnections through the real service, and a whole tick of the
// monitor that finds nothing changed, with 1,000 idle processes and two running pppd. The
// monitor asks every second for hours; the target is under 1 ms of CPU per tick.
//
//   dialup_bench [--calls N] [--children N] [--check-targets]
//
// Calls are told apart by whether any process was started on the machine since the previous
// call (the kernel's last pid moved): then the service also looks at the new processes, which
// is the dearer case; a tenth as many calls more start a process first on purpose. Both
// medians are printed, and the median of the monitor's ticks. --check-targets exits with 3
// when a case without a change misses the target.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QTimer>

#include "dialup/dialup_monitor.h"
#include "dialup/ras_connector.h"

extern char** environ;

namespace {

constexpr const char* kIdleName = "orv-bench-idle";
constexpr double kTargetMicroseconds = 1000.0;

double threadCpuMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

std::string lastPid() {
  std::ifstream in("/proc/loadavg");
  std::string field, last;
  while (in >> field) last = field;
  return last;
}

// This program again, under another name: an idle process, or one that looks like
// `pppd call NAME` to anyone reading /proc.
pid_t spawnSelf(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  return ::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) == 0 ? pid
                                                                                            : -1;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string self = argv[0];
  if (self == kIdleName || self == "pppd") {
    for (;;) pause();
  }

  QCoreApplication app(argc, argv);  // the monitor's timer
  int calls = 2000;
  int children = 1000;
  bool checkTargets = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--calls" && i + 1 < argc) {
      calls = std::atoi(argv[++i]);
    } else if (arg == "--children" && i + 1 < argc) {
      children = std::atoi(argv[++i]);
    } else if (arg == "--check-targets") {
      checkTargets = true;
    } else {
      std::printf("usage: dialup_bench [--calls N] [--children N] [--check-targets]\n");
      return arg == "--help" ? 0 : 2;
    }
  }

  // A private ppp folder, so that the service does not read the machine's own peers.
  char folder[] = "/tmp/orv-dialup-bench-XXXXXX";
  if (!::mkdtemp(folder)) return 1;
  std::filesystem::create_directories(std::string(folder) + "/ppp/peers");
  for (const char* peer : {"isp", "other"})
    std::ofstream(std::string(folder) + "/ppp/peers/" + peer) << "/dev/ttyS0\n";
  ::setenv("ORV_PPP_DIR", (std::string(folder) + "/ppp").c_str(), 1);
  ::setenv("ORV_PPP_RUN_DIR", folder, 1);

  std::vector<pid_t> pids;
  for (int i = 0; i < children; ++i) pids.push_back(spawnSelf({kIdleName}));
  pids.push_back(spawnSelf({"pppd", "call", "isp", "nodetach"}));
  pids.push_back(spawnSelf({"pppd", "call", "other", "nodetach"}));

  orv::TRasConnector conns;
  int listed = 0;
  // Until both pppd show under their names (a spawned child takes a moment to exec).
  for (int tries = 0; tries < 2000 && listed != 2; ++tries) {
    conns.ListActiveConnections();
    listed = conns.ActiveConnections.Count();
    ::usleep(5000);
  }

  // Processes a few seconds old are looked at every call (they may still exec into pppd):
  // the steady state begins when the children are older.
  ::sleep(4);
  conns.ListActiveConnections();

  std::vector<double> unchanged, afterNewProcess;
  for (int i = 0; i < calls; ++i) {
    const std::string before = lastPid();
    const double start = threadCpuMicroseconds();
    conns.ListActiveConnections();
    const double spent = threadCpuMicroseconds() - start;
    if (conns.ConnectionsChanged || conns.ActiveConnections.Count() != 2) listed = -1;
    (lastPid() == before ? unchanged : afterNewProcess).push_back(spent);
  }

  // The dearer case on purpose: a short-lived process started before each call.
  for (int i = 0; i < calls / 10; ++i) {
    const pid_t passing = spawnSelf({kIdleName});
    ::kill(passing, SIGKILL);
    ::waitpid(passing, nullptr, 0);
    const double start = threadCpuMicroseconds();
    conns.ListActiveConnections();
    afterNewProcess.push_back(threadCpuMicroseconds() - start);
  }

  // A whole tick of the monitor, as the window runs it, when nothing changed.
  int reported = 0;
  QTimer timer;
  orv::DialupMonitor::Hooks hooks;
  hooks.report = [&](const QString&, int32_t) { ++reported; };
  hooks.reportEmptyLine = [&] { ++reported; };
  hooks.refreshList = [&] { conns.ListActiveConnections(); };
  hooks.isAllowed = [](const QByteArray&) { return true; };
  orv::DialupMonitor monitor(conns, timer, std::move(hooks));
  monitor.setActive(true);
  std::vector<double> ticks;
  for (int i = 0; i < calls; ++i) {
    const std::string before = lastPid();
    const double start = threadCpuMicroseconds();
    monitor.tick();
    const double spent = threadCpuMicroseconds() - start;
    if (lastPid() == before) ticks.push_back(spent);
  }
  if (reported != 0) listed = -1;

  for (const pid_t pid : pids)
    if (pid > 0) ::kill(pid, SIGKILL);
  for (const pid_t pid : pids)
    if (pid > 0) ::waitpid(pid, nullptr, 0);
  std::filesystem::remove_all(folder);

  if (listed != 2) {
    std::printf("FAILED: the two pppd were not listed steadily, or a tick reported a change\n");
    return 1;
  }
  const double steady = median(unchanged);
  std::printf("ListActiveConnections, %d idle processes and 2 pppd, CPU per call (median):\n",
              children);
  std::printf("  nothing changed:               %8.1f us  (%zu calls; target < %.0f us)\n", steady,
              unchanged.size(), kTargetMicroseconds);
  std::printf("  a process was started before:  %8.1f us  (%zu calls; new processes judged)\n",
              median(afterNewProcess), afterNewProcess.size());
  const double tick = median(ticks);
  std::printf("DialupMonitor tick, nothing changed: %8.1f us  (%zu ticks; target < %.0f us)\n",
              tick, ticks.size(), kTargetMicroseconds);
  if (checkTargets && (unchanged.empty() || steady >= kTargetMicroseconds || ticks.empty() ||
                       tick >= kTargetMicroseconds))
    return 3;
  return 0;
}
