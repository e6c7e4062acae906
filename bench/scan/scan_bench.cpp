// How the disk scan compares with a bare walk that reads the same bytes, and with clamscan.
//
// Builds a seeded tree of files once, warms the page cache, then times in rounds:
//   floor   - a readdir walk that opens every .EXE and reads what the fingerprint reads;
//   bare    - the program's walker and signature check, without the window (for reference);
//   scan    - "Scan starten" on the real main window, offscreen, report-only mode: hidden
//             (as the tests drive it; the figure the target is set for), then shown;
//   clamscan - clamscan with a hash database of the same samples.
// Every round's findings are checked against the samples the tree was built with.
#include <QApplication>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bare_scan.h"
#include "bench_run.h"
#include "bench_signatures.h"
#include "bench_tree.h"
#include "clamscan_runner.h"
#include "plain_walks.h"
#include "window_scan.h"

namespace {

using namespace scanbench;

struct Options {
  TreeShape tree;
  int rounds = 9;
  int clamscanRounds = 3;
  bool shown = true;  // also time scans with the window shown
  bool keep = false;
  bool checkTargets = false;
  std::string clamscan = "/usr/bin/clamscan";
  std::string parent;  // where the temporary folder goes
};

const char kUsage[] =
    "usage: scan_bench [options]\n"
    "  --rounds N           timed rounds of floor, bare walk and window scan (9)\n"
    "  --clamscan-rounds N  timed clamscan rounds, 0 to leave it out (3)\n"
    "  --clamscan PATH      the clamscan program (/usr/bin/clamscan)\n"
    "  --seed N --files N --exe N --folders N --matching N --decoys N\n"
    "                       the tree (20240607, 20000, 2000, 600, 50, 1000)\n"
    "  --hidden-only        leave out the rounds with the window shown\n"
    "  --dir PATH           build the tree below PATH (default $TMPDIR or /tmp)\n"
    "  --keep               leave the tree in place afterwards\n"
    "  --check-targets      exit 3 when a speed target is missed\n";

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    bool ok = true;
    if (const std::optional<bool> tree = treeOption(argc, argv, i, options.tree))
      ok = *tree;
    else if (arg == "--rounds")
      ok = numberArgument(argc, argv, i, options.rounds) && options.rounds > 0;
    else if (arg == "--clamscan-rounds")
      ok = numberArgument(argc, argv, i, options.clamscanRounds);
    else if (arg == "--hidden-only")
      options.shown = false;
    else if (arg == "--keep")
      options.keep = true;
    else if (arg == "--check-targets")
      options.checkTargets = true;
    else if (arg == "--clamscan")
      ok = textArgument(argc, argv, i, options.clamscan);
    else if (arg == "--dir")
      ok = textArgument(argc, argv, i, options.parent);
    else
      ok = false;
    if (!ok) return false;
  }
  return true;
}

// The scan page's lines: start line, one line per sample with its name, end and summary.
void checkWindowScan(const WindowScan::Result& result, const BuiltTree& tree) {
  require(result.filesScanned == tree.exeFiles,
          "window scan examined " + std::to_string(result.filesScanned) + " files");
  const int matching = static_cast<int>(tree.samples.size());
  require(result.dialersFound == matching,
          "window scan found " + std::to_string(result.dialersFound) + " dialers");
  require(result.memo.size() == matching + 3,
          "window scan wrote " + std::to_string(result.memo.size()) + " lines");
  std::set<std::string> expected;
  for (const Sample& sample : tree.samples)
    expected.insert(sample.path + " - Infektion: " + sample.name);
  std::set<std::string> lines;
  for (int i = 1; i <= matching; ++i) lines.insert(result.memo[i].toStdString());
  require(lines == expected, "window scan reported other files or names than the samples");
  require(result.memo.last() == QStringLiteral("%1 Dateien gescannt und %2 Dialer gefunden.")
                                    .arg(tree.exeFiles)
                                    .arg(matching),
          "window scan summary: " + result.memo.last().toStdString());
}

int run(const Options& options) {
  const TempFolder folder(options.parent, options.keep);
  const std::string base = folder.path() + "/base/";
  const std::string root = folder.path() + "/tree";
  std::filesystem::create_directories(base);
  std::filesystem::create_directories(root);

  BuiltTree tree;
  int records = 0, hashLines = 0;
  const double buildMs = millisecondsOf([&] {
    tree = buildTree(root, options.tree);
    records =
        writeSignatureFile(base + "orv.sig", tree.samples, options.tree.decoys, options.tree.seed);
    hashLines =
        writeHashDatabase(base + "bench.hdb", tree.samples, options.tree.decoys, options.tree.seed);
  });
  if (!QFile::copy(QStringLiteral(ORV_BENCH_DATA_DIR "/hilfe.rtf"),
                   QString::fromStdString(base + "hilfe.rtf")))
    throw std::runtime_error("cannot copy " ORV_BENCH_DATA_DIR "/hilfe.rtf");
  // Settings with both monitors off, so that no timer ticks into the timings, and empty lists.
  for (const auto& [name, bytes] :
       {std::pair{"orv.conf", QByteArray(24, '\0')}, std::pair{"erlaubt.conf", QByteArray()},
        std::pair{"connections.conf", QByteArray()}}) {
    QFile file(QString::fromStdString(base + name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
      throw std::runtime_error("cannot write " + base + name);
  }

  std::printf("ORV disk scan benchmark (seed %llu)\n",
              static_cast<unsigned long long>(options.tree.seed));
  std::printf("tree: %d files in %d nested folders below %s\n", tree.files, tree.folders,
              root.c_str());
  std::printf(
      "      %d .EXE (%d start with MZ/ZM, %.1f MiB), %d of them matching; %.1f MiB in all\n",
      tree.exeFiles, tree.mzHeaded, tree.exeBytes / 1048576.0,
      static_cast<int>(tree.samples.size()), tree.totalBytes / 1048576.0);
  std::printf("signatures: orv.sig %d records; bench.hdb %d lines (MD5 of the whole file)\n",
              records, hashLines);
  std::printf("built in %.1f s\n", buildMs / 1000);
  std::fflush(stdout);

  WindowScan window(base);
  require(window.signatureCount() == records,
          "the window loaded " + std::to_string(window.signatureCount()) + " signatures");

  // Untimed: everything into the page cache, and each timed pass once, so that first-use
  // costs (the folder model, font caches, the scanner's libraries) stay out of the figures.
  const WalkCount warm = readWholeTree(root);
  require(warm.files == tree.files, "warm-up read " + std::to_string(warm.files) + " files");
  floorWalk(root);
  bareScan(root);
  checkWindowScan(window.scan(root), tree);
  Timings clamStartup;
  const bool withClamscan = options.clamscanRounds > 0;
  if (withClamscan) {
    const std::string empty = folder.path() + "/empty";
    std::filesystem::create_directories(empty);
    for (int i = 0; i < 2; ++i) {
      const ClamscanRun run = runClamscan(options.clamscan, base + "bench.hdb", empty);
      if (!run.started)
        throw std::runtime_error("cannot start " + options.clamscan +
                                 " (Debian package clamav), or leave it out: --clamscan-rounds 0");
      require(run.exitCode == 0,
              "clamscan on an empty folder failed:\n" + run.output.substr(0, 4000));
      if (i == 1) clamStartup.ms.push_back(run.wallMs);
    }
  }
  std::printf("page cache warmed: %.1f MiB read\n\n", warm.bytesRead / 1048576.0);

  Timings floor, bare, scan, shownScan, clam;
  const int rounds = std::max(options.rounds, options.clamscanRounds);
  for (int r = 0; r < rounds; ++r) {
    if (r < options.rounds) {
      WalkCount walked;
      floor.ms.push_back(millisecondsOf([&] { walked = floorWalk(root); }));
      require(walked.files == tree.exeFiles && walked.mzHeaded == tree.mzHeaded,
              "floor walk opened " + std::to_string(walked.files) + " files");
      BareScan checked;
      bare.ms.push_back(millisecondsOf([&] { checked = bareScan(root); }));
      require(checked.files == tree.exeFiles && checked.found == samplePaths(tree),
              "bare scan examined " + std::to_string(checked.files) + " files");
      const WindowScan::Result result = window.scan(root);
      checkWindowScan(result, tree);
      scan.ms.push_back(result.ms);
    }
    if (r < options.clamscanRounds) {
      const ClamscanRun run = runClamscan(options.clamscan, base + "bench.hdb", root);
      checkClamscan(run, tree);
      clam.ms.push_back(run.wallMs);
    }
  }
  if (options.shown) {
    window.show();
    checkWindowScan(window.scan(root), tree);  // untimed: the first paints of the page
    for (int r = 0; r < options.rounds; ++r) {
      const WindowScan::Result result = window.scan(root);
      checkWindowScan(result, tree);
      shownScan.ms.push_back(result.ms);
    }
  }
  require(window.boxes().isEmpty(),
          "the window showed a box: " + window.boxes().join(QLatin1Char('|')).toStdString());

  std::printf("  %-44s %13s %13s %4s\n", "", "median", "min", "runs");
  printRow("floor: readdir, open, read <= 2050 B", floor);
  printRow("walker + ScanDialers, no window", bare);
  printRow("ORV scan: Button4Click, window hidden", scan);
  if (options.shown) printRow("ORV scan: Button4Click, window shown", shownScan);
  if (withClamscan) {
    printRow("clamscan -r, .EXE only, bench.hdb", clam);
    printRow("  of which start-up (empty folder)", clamStartup);
  }
  std::printf("  (every run found exactly the %d samples in %d .EXE files)\n\n",
              static_cast<int>(tree.samples.size()), tree.exeFiles);

  const double scanPerFloor = scan.median() / floor.median();
  const bool scanMet = scanPerFloor <= 1.5;
  std::printf("scan / floor    = %6.2f   (target <= 1.5: %s)\n", scanPerFloor,
              scanMet ? "met" : "MISSED");
  if (options.shown)
    std::printf("  shown / floor = %6.2f   (for information: painting as it goes)\n",
                shownScan.median() / floor.median());
  bool clamMet = true;
  if (withClamscan) {
    // "Far faster": an order of magnitude at least.
    const double clamPerScan = clam.median() / scan.median();
    clamMet = clamPerScan >= 10;
    std::printf("clamscan / scan = %6.1f   (target >= 10: %s)\n", clamPerScan,
                clamMet ? "met" : "MISSED");
  }
  std::printf("per .EXE: floor %.1f us, scan %.1f us\n", 1000 * floor.median() / tree.exeFiles,
              1000 * scan.median() / tree.exeFiles);
  return options.checkTargets && !(scanMet && clamMet) ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  try {
    return run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "scan_bench: %s\n", error.what());
    return 1;
  }
}
