// The cost of the dial-up monitor's question "did the active connections change?" on a
// busy machine: ListActiveConnections through the real service, and a whole tick of the
// monitor that finds nothing changed, with 1,000 idle processes and two running pppd; then
// again with NetworkManager beside them (python3-dbusmock on a private bus, 20 profiles, two
// active gsm connections). The monitor asks every second for hours; the target is under 1 ms
// of CPU per tick. CPU is the whole process's, so the D-Bus thread's share counts too.
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
#include "support/nm_mock.h"

extern char** environ;

namespace {

constexpr const char* kIdleName = "orv-bench-idle";
constexpr double kTargetMicroseconds = 1000.0;

double cpuMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
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

struct Medians {
  bool steady = false;  // the expected connections were listed at every call
  double unchanged = 0;
  std::size_t unchangedCalls = 0;
  double afterNewProcess = 0;
  std::size_t afterNewProcessCalls = 0;
  double tick = 0;
  std::size_t ticks = 0;
};

// `calls` looks at the active connections, `expected` of them, as the monitor takes them.
Medians measure(int calls, int expected) {
  orv::TRasConnector conns;
  int listed = 0;
  // Until all show (a spawned child takes a moment to exec).
  for (int tries = 0; tries < 2000 && listed != expected; ++tries) {
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
    const double start = cpuMicroseconds();
    conns.ListActiveConnections();
    const double spent = cpuMicroseconds() - start;
    if (conns.ConnectionsChanged || conns.ActiveConnections.Count() != expected) listed = -1;
    (lastPid() == before ? unchanged : afterNewProcess).push_back(spent);
  }

  // The dearer case on purpose: a short-lived process started before each call.
  for (int i = 0; i < calls / 10; ++i) {
    const pid_t passing = spawnSelf({kIdleName});
    ::kill(passing, SIGKILL);
    ::waitpid(passing, nullptr, 0);
    const double start = cpuMicroseconds();
    conns.ListActiveConnections();
    afterNewProcess.push_back(cpuMicroseconds() - start);
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
    const double start = cpuMicroseconds();
    monitor.tick();
    const double spent = cpuMicroseconds() - start;
    if (lastPid() == before) ticks.push_back(spent);
  }
  return {listed == expected && reported == 0,
          median(unchanged),
          unchanged.size(),
          median(afterNewProcess),
          afterNewProcess.size(),
          median(ticks),
          ticks.size()};
}

void report(const char* what, const Medians& m) {
  std::printf("  %s\n", what);
  std::printf("    nothing changed:               %8.1f us  (%zu calls; target < %.0f us)\n",
              m.unchanged, m.unchangedCalls, kTargetMicroseconds);
  std::printf("    a process was started before:  %8.1f us  (%zu calls; new processes judged)\n",
              m.afterNewProcess, m.afterNewProcessCalls);
  std::printf("    DialupMonitor tick, no change: %8.1f us  (%zu ticks; target < %.0f us)\n",
              m.tick, m.ticks, kTargetMicroseconds);
}

bool missed(const Medians& m) {
  return m.unchangedCalls == 0 || m.unchanged >= kTargetMicroseconds || m.ticks == 0 ||
         m.tick >= kTargetMicroseconds;
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

  // pppd alone first: NetworkManager is not asked.
  ::setenv("ORV_NM_BUS_ADDRESS", "none", 1);
  const Medians alone = measure(calls, 2);
  Medians beside;
  const bool withNetworkManager =
      ::access("/usr/lib/python3/dist-packages/dbusmock/__init__.py", R_OK) == 0;
  if (withNetworkManager) {
    orvtest::NetworkManagerMock nm;
    for (int i = 0; i < 10; ++i)
      nm.addProfile(
          {{"connection", {{"id", QString("WLAN %1").arg(i)}, {"type", "802-11-wireless"}}}});
    for (int i = 0; i < 8; ++i) {
      const QString profile = nm.addProfile(
          orvtest::NetworkManagerMock::gsm(QString("Mobil %1").arg(i), "*99#", "web"));
      if (i < 2) nm.activate(profile);
    }
    for (int i = 0; i < 2; ++i)
      nm.addProfile({{"connection", {{"id", QString("DSL %1").arg(i)}, {"type", "pppoe"}}}});
    beside = measure(calls, 4);
  }
  for (const pid_t pid : pids)
    if (pid > 0) ::kill(pid, SIGKILL);
  for (const pid_t pid : pids)
    if (pid > 0) ::waitpid(pid, nullptr, 0);
  std::filesystem::remove_all(folder);

  if (!alone.steady || (withNetworkManager && !beside.steady)) {
    std::printf("FAILED: the connections were not listed steadily, or a tick reported a change\n");
    return 1;
  }
  std::printf("ListActiveConnections, %d idle processes, CPU of the process per call (median):\n",
              children);
  report("2 pppd", alone);
  if (withNetworkManager)
    report("2 pppd + NetworkManager (2 active of 20 profiles)", beside);
  else
    std::printf("  NetworkManager left out: python3-dbusmock is not installed\n");
  if (checkTargets && (missed(alone) || (withNetworkManager && missed(beside)))) return 3;
  return 0;
}
