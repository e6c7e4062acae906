// How long ORV takes from its launch until its window is on the screen, and how much memory it
// holds then, against a Qt program that shows a bare main window of the same size.
//
// One virtual screen (Xvfb) for all rounds, and this bench as its window manager: it shows
// each program's window itself and watches, through the DAMAGE extension, for the program's
// first drawing into it ("visible"). Each round starts, one after the other and in turns
// rotating order, the bare window, the same window showing one word, ORV with the shipped
// files and ORV with 100,001 signatures; each program is ended (SIGTERM) before the next
// starts. Resident memory is read a moment after the window showed, once start-up work has
// settled.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "../scan/bench_run.h"
#include "child_process.h"
#include "first_paint_watch.h"
#include "helper_server.h"
#include "startup_data.h"

namespace {

using namespace startupbench;
using scanbench::besideThisProgram;
using scanbench::numberArgument;
using scanbench::textArgument;
namespace fs = std::filesystem;

constexpr double kTimeTarget = 1.3;        // ORV with 100,001 signatures against the bare window
constexpr double kMemoryAllowanceMb = 10;  // beyond the bare window and the signature table

struct Options {
  int rounds = 5;
  int warmup = 1;
  int addedSignatures = 100000;
  int settleMs = 500;
  std::string orv;   // default: beside this program
  std::string bare;  // default: beside this program
  std::string xvfb = "Xvfb";
  std::string dbusDaemon = "dbus-daemon";
  std::string dataDir = ORV_BENCH_DATA_DIR;
  std::string parent;
  bool keep = false;
  bool checkTargets = false;
};

const char kUsage[] =
    "usage: startup_bench [options]\n"
    "  --rounds N          timed rounds, each starting every program once (5)\n"
    "  --warmup N          untimed rounds before them (1)\n"
    "  --signatures N      signatures added to the shipped one for the large run (100000)\n"
    "  --settle-ms N       wait after the window showed before memory is read (500)\n"
    "  --orv PATH          the program (build/bin/orv beside this one)\n"
    "  --bare PATH         the bare window (startup_bare_window beside this one)\n"
    "  --xvfb PATH --dbus-daemon PATH\n"
    "                      the virtual screen and the session bus (Xvfb, dbus-daemon)\n"
    "  --data PATH         the shipped files (the source tree's data/)\n"
    "  --dir PATH          the bench's folder goes below PATH (default $TMPDIR or /tmp)\n"
    "  --keep              leave that folder in place afterwards\n"
    "  --check-targets     exit 3 when a target is missed\n";

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    bool ok = true;
    if (arg == "--rounds")
      ok = numberArgument(argc, argv, i, options.rounds) && options.rounds > 0;
    else if (arg == "--warmup")
      ok = numberArgument(argc, argv, i, options.warmup);
    else if (arg == "--signatures")
      ok = numberArgument(argc, argv, i, options.addedSignatures);
    else if (arg == "--settle-ms")
      ok = numberArgument(argc, argv, i, options.settleMs);
    else if (arg == "--orv")
      ok = textArgument(argc, argv, i, options.orv);
    else if (arg == "--bare")
      ok = textArgument(argc, argv, i, options.bare);
    else if (arg == "--xvfb")
      ok = textArgument(argc, argv, i, options.xvfb);
    else if (arg == "--dbus-daemon")
      ok = textArgument(argc, argv, i, options.dbusDaemon);
    else if (arg == "--data")
      ok = textArgument(argc, argv, i, options.dataDir);
    else if (arg == "--dir")
      ok = textArgument(argc, argv, i, options.parent);
    else if (arg == "--keep")
      options.keep = true;
    else if (arg == "--check-targets")
      options.checkTargets = true;
    else
      ok = false;
    if (!ok) return false;
  }
  return true;
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

struct Samples {
  std::vector<double> values;
  double median() const { return scanbench::medianOf(values); }
  double min() const { return scanbench::minimumOf(values); }
};

struct Contender {
  std::string label;
  std::string program;
  std::vector<std::string> arguments;
  std::string baseDir;  // empty for the bare windows
  Samples visibleMs, mapMs, cpuMs, mainCpuMs, residentMb;
};

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

void runOnce(Contender& contender, FirstPaintWatch& watch, const Options& options,
             const std::vector<std::string>& environment, bool record) {
  if (!contender.baseDir.empty()) restoreSettings(contender.baseDir, options.dataDir);
  ChildProcess process(contender.program, contender.arguments, environment);
  const ProcessorTime processorTime(process.pid());
  const auto shown = watch.waitForFirstPaint(process, process.started() + std::chrono::seconds(30));
  if (!shown) throw std::runtime_error(contender.label + ": no window was shown within 30 s");
  const double cpu = processorTime.milliseconds();
  const double mainCpu = mainThreadMilliseconds(process.pid());
  if (shown->width != 588 || shown->height != 399)
    throw std::runtime_error(contender.label + ": the first window shown was " +
                             std::to_string(shown->width) + "x" + std::to_string(shown->height) +
                             ", not the 588x399 main window (an error box?)");
  watch.serve(shown->painted + std::chrono::milliseconds(options.settleMs));
  const double resident = residentMegabytes(process.pid());
  if (!process.stop(std::chrono::seconds(10)))
    std::fprintf(stderr, "%s: did not end within 10 s of SIGTERM\n", contender.label.c_str());
  if (!record) return;
  contender.visibleMs.values.push_back(millisecondsBetween(process.started(), shown->painted));
  contender.mapMs.values.push_back(millisecondsBetween(process.started(), shown->mapAsked));
  contender.cpuMs.values.push_back(cpu);
  contender.mainCpuMs.values.push_back(mainCpu);
  contender.residentMb.values.push_back(resident);
}

int run(const Options& options) {
  const scanbench::TempFolder folder(options.parent, options.keep);
  const std::string root = folder.path() + "/";
  for (const char* sub :
       {"home", "config", "data", "state", "cache", "runtime", "ppp/peers", "ppp-run"})
    fs::create_directories(root + sub);
  fs::permissions(root + "runtime", fs::perms::owner_all, fs::perm_options::replace);

  std::vector<Contender> contenders(4);
  Contender& bare = contenders[0];
  Contender& oneWord = contenders[1];
  Contender& shipped = contenders[2];
  Contender& large = contenders[3];
  bare.label = "bare Qt window";
  bare.program = options.bare.empty() ? besideThisProgram("startup_bare_window") : options.bare;
  oneWord.label = "same, one word in it";
  oneWord.program = bare.program;
  oneWord.arguments = {"Reportdatei"};
  const std::string orv = options.orv.empty() ? besideThisProgram("orv") : options.orv;
  shipped.label = "orv, shipped files";
  shipped.baseDir = root + "shipped/";
  large.baseDir = root + "large/";
  prepareBaseDir(shipped.baseDir, options.dataDir, 0);
  prepareBaseDir(large.baseDir, options.dataDir, options.addedSignatures);
  const long largeCount = signatureRecords(large.baseDir + "orv.sig");
  large.label = "orv, " + std::to_string(largeCount) + " signatures";
  for (Contender* c : {&shipped, &large}) {
    c->program = orv;
    c->arguments = {c->baseDir};
  }

  VirtualScreen screen(options.xvfb, "1280x1024x24");
  SessionBus bus(options.dbusDaemon);
  FirstPaintWatch watch(screen.display());
  // The same surroundings for every program: a private home and desktop folders, a session
  // bus, and a private pppd world in which ORV's dial-up monitor can touch nobody's pppd.
  const std::vector<std::string> environment = environmentWith(
      {"DISPLAY", "WAYLAND_DISPLAY", "SESSION_MANAGER", "DBUS_SESSION_BUS_ADDRESS", "HOME",
       "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR",
       "QT_QPA_PLATFORM", "ORV_PPP_DIR", "ORV_PPPD", "ORV_PPP_RUN_DIR", "ORV_RASAPI32"},
      {"DISPLAY=" + screen.display(), "QT_QPA_PLATFORM=xcb",
       "DBUS_SESSION_BUS_ADDRESS=" + bus.address(), "HOME=" + root + "home",
       "XDG_CONFIG_HOME=" + root + "config", "XDG_DATA_HOME=" + root + "data",
       "XDG_STATE_HOME=" + root + "state", "XDG_CACHE_HOME=" + root + "cache",
       "XDG_RUNTIME_DIR=" + root + "runtime", "ORV_PPP_DIR=" + root + "ppp",
       "ORV_PPPD=" + root + "ppp/orv-startupbench-pppd", "ORV_PPP_RUN_DIR=" + root + "ppp-run"});

  const std::string loadBefore = loadAverage();
  std::printf("Start-up to a visible window under Xvfb %s: %d rounds after %d warm-up\n",
              screen.display().c_str(), options.rounds, options.warmup);
  std::fflush(stdout);
  for (int round = 0; round < options.warmup + options.rounds; ++round) {
    const bool record = round >= options.warmup;
    for (std::size_t k = 0; k < contenders.size(); ++k) {
      Contender& contender = contenders[(k + static_cast<std::size_t>(round)) % contenders.size()];
      runOnce(contender, watch, options, environment, record);
    }
  }
  const std::string loadAfter = loadAverage();

  std::printf("load average (1, 5, 15 min): %s before, %s after\n\n", loadBefore.c_str(),
              loadAfter.c_str());
  std::printf("  %-24s %13s %9s %11s %11s %11s %13s\n", "medians of", "visible", "(min)",
              "map asked", "CPU", "main thread", "resident");
  for (const Contender& c : contenders) {
    std::printf("  %-24s %10.1f ms %6.1f ms %8.1f ms %8.1f ms %8.1f ms %9.1f MiB\n",
                c.label.c_str(), c.visibleMs.median(), c.visibleMs.min(), c.mapMs.median(),
                c.cpuMs.median(), c.mainCpuMs.median(), c.residentMb.median());
  }
  std::printf(
      "  (times from launch until the first drawing into the window; CPU: processor time"
      " until then,\n   all threads; main thread: its own part)\n");
  const double ratio = large.visibleMs.median() / bare.visibleMs.median();
  const double cpuRatio = large.cpuMs.median() / bare.cpuMs.median();
  const double mainRatio = large.mainCpuMs.median() / bare.mainCpuMs.median();
  const double tableMb = static_cast<double>(largeCount) * 84 / (1024.0 * 1024.0);
  const double extraMb = large.residentMb.median() - bare.residentMb.median();
  const double allowedMb = kMemoryAllowanceMb + tableMb;
  std::printf("\n  visible, %s / bare: %.2f (target <= %.1f); shipped / bare: %.2f\n",
              large.label.c_str(), ratio, kTimeTarget,
              shipped.visibleMs.median() / bare.visibleMs.median());
  std::printf("  visible, one word / bare: %.2f (the cost of any text on the screen)\n",
              oneWord.visibleMs.median() / bare.visibleMs.median());
  std::printf("  CPU to visible, %s / bare: %.2f (main thread: %.2f)\n", large.label.c_str(),
              cpuRatio, mainRatio);
  std::printf(
      "  resident beyond the bare window: %.1f MiB (target <= %.0f MiB + %.1f MiB of "
      "signature records = %.1f MiB)\n",
      extraMb, kMemoryAllowanceMb, tableMb, allowedMb);
  const bool missed = ratio > kTimeTarget || extraMb > allowedMb;
  if (missed) std::printf("  a target is missed\n");
  return options.checkTargets && missed ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!parseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    return run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "startup_bench: %s\n", error.what());
    return 1;
  }
}
