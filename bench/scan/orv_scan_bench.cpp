// How orv-scan compares with bare walks that read what it reads, and with clamscan and yara
// doing the same work on the same files.
//
// Builds the disk scan benchmark's seeded tree once, warms the page cache, then times in
// rounds, side by side:
//   fingerprints: a walk that opens every .EXE and digests what the fingerprint reads (the
//                 floor), orv-scan, clamscan with a whole-file MD5 database of the samples,
//                 yara with the same hashes as rules;
//   heuristic:    a walk that reads every .EXE whole once (the floor), orv-scan --heuristic,
//                 clamscan and yara with the hashes and the heuristic's markers.
// The programs are timed as a user runs them: process start and loading included (their
// start on an empty folder is shown apart). Every run's findings are checked.
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_run.h"
#include "bench_signatures.h"
#include "bench_tree.h"
#include "clamscan_runner.h"
#include "detect/directory_walker.h"
#include "peer_process.h"
#include "plain_walks.h"
#include "yara_runner.h"

namespace {

using namespace scanbench;

struct Options {
  TreeShape tree;
  int rounds = 9;
  int peerRounds = 3;
  bool keep = false;
  bool checkTargets = false;
  std::string orvScan;  // default: beside this program
  std::string clamscan = "/usr/bin/clamscan";
  std::string yara = "yara";
  std::string yarac = "yarac";
  std::string parent;
};

const char kUsage[] =
    "usage: orv_scan_bench [options]\n"
    "  --rounds N          timed rounds of the floors and of orv-scan (9)\n"
    "  --peer-rounds N     timed rounds of clamscan and yara, 0 to leave them out (3)\n"
    "  --orv-scan PATH     the orv-scan program (beside this one)\n"
    "  --clamscan PATH --yara PATH --yarac PATH\n"
    "                      the comparison scanners (/usr/bin/clamscan, yara, yarac)\n"
    "  --seed N --files N --exe N --folders N --matching N --decoys N\n"
    "                      the tree (20240607, 20000, 2000, 600, 50, 1000)\n"
    "  --dir PATH          build the tree below PATH (default $TMPDIR or /tmp)\n"
    "  --keep              leave the tree in place afterwards\n"
    "  --check-targets     exit 3 when a speed target is missed\n";

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    bool ok = true;
    if (const std::optional<bool> tree = treeOption(argc, argv, i, options.tree))
      ok = *tree;
    else if (arg == "--rounds")
      ok = numberArgument(argc, argv, i, options.rounds) && options.rounds > 0;
    else if (arg == "--peer-rounds")
      ok = numberArgument(argc, argv, i, options.peerRounds);
    else if (arg == "--keep")
      options.keep = true;
    else if (arg == "--check-targets")
      options.checkTargets = true;
    else if (arg == "--orv-scan")
      ok = textArgument(argc, argv, i, options.orvScan);
    else if (arg == "--clamscan")
      ok = textArgument(argc, argv, i, options.clamscan);
    else if (arg == "--yara")
      ok = textArgument(argc, argv, i, options.yara);
    else if (arg == "--yarac")
      ok = textArgument(argc, argv, i, options.yarac);
    else if (arg == "--dir")
      ok = textArgument(argc, argv, i, options.parent);
    else
      ok = false;
    if (!ok) return false;
  }
  return true;
}

// The samples by path, with the names the signatures give them.
std::map<std::string, std::string> sampleNames(const BuiltTree& tree) {
  std::map<std::string, std::string> names;
  for (const Sample& sample : tree.samples) names[sample.path] = sample.name;
  return names;
}

// Wall and processor time of one run.
struct Measured {
  Timings wall, cpu;
  void add(double wallMs, double cpuMs) {
    wall.ms.push_back(wallMs);
    cpu.ms.push_back(cpuMs);
  }
};

void printRow(const char* label, const Measured& measured) {
  std::printf("  %-44s %10.1f ms %10.1f ms %10.1f ms %4zu\n", label, measured.wall.median(),
              measured.wall.min(), measured.cpu.median(), measured.wall.ms.size());
}

// orv-scan over the tree, its JSON output checked: the samples by name, nothing else, every
// .EXE examined.
ProcessRun timeOrvScan(const Options& options, const std::string& signatures,
                       const std::string& root, const BuiltTree& tree, bool heuristic,
                       int threads) {
  QStringList arguments{QStringLiteral("--json"), QStringLiteral("--signatures"),
                        QString::fromStdString(signatures)};
  if (heuristic) arguments << QStringLiteral("--heuristic");
  if (threads > 0) arguments << QStringLiteral("--threads") << QString::number(threads);
  arguments << QString::fromStdString(root);
  const ProcessRun run = runProcess(options.orvScan, arguments, true);
  require(run.started, "cannot start " + options.orvScan);
  std::map<std::string, std::string> found;
  QJsonObject summary;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    if (object[QStringLiteral("type")] == QStringLiteral("summary")) summary = object;
    if (object[QStringLiteral("type")] == QStringLiteral("finding"))
      found[object[QStringLiteral("path")].toString().toStdString()] =
          object[QStringLiteral("finding")].toString().toStdString();
  }
  const int examined = summary[QStringLiteral("examined")].toInt(-1);
  require(run.exitCode == (tree.samples.empty() ? 0 : 1) && examined == tree.exeFiles &&
              found == sampleNames(tree),
          "orv-scan exited " + std::to_string(run.exitCode) + ", examined " +
              std::to_string(examined) + ", found " + std::to_string(found.size()) + "\n" +
              run.errors.substr(0, 4000));
  return run;
}

YaraRun timeYara(const Options& options, const std::string& rules, const std::string& scanList,
                 const BuiltTree& tree) {
  const YaraRun run = runYara(options.yara, rules, scanList,
                              static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  require(run.started, "cannot start " + options.yara + " (Debian package yara)");
  require(run.exitCode == 0 && run.found == samplePaths(tree),
          "yara exited " + std::to_string(run.exitCode) + ", found " +
              std::to_string(run.found.size()) + "\n" + run.output.substr(0, 4000));
  return run;
}

struct Pass {
  const char* name;
  bool heuristic;
  std::string clamDatabase, yaraRules;
  Measured floor, scan, oneThread, clam, yara;
};

int run(const Options& options) {
  const TempFolder folder(options.parent, options.keep);
  const std::string base = folder.path() + "/base/";
  const std::string root = folder.path() + "/tree";
  const std::string empty = folder.path() + "/empty";
  for (const std::string& path : {base + "clam-sig", base + "clam-heur", root, empty})
    std::filesystem::create_directories(path);

  BuiltTree tree;
  int records = 0;
  const double buildMs = millisecondsOf([&] {
    tree = buildTree(root, options.tree);
    records =
        writeSignatureFile(base + "orv.sig", tree.samples, options.tree.decoys, options.tree.seed);
    writeHashDatabase(base + "clam-sig/bench.hdb", tree.samples, options.tree.decoys,
                      options.tree.seed);
  });
  const std::string signatures = base + "orv.sig";
  std::printf("orv-scan benchmark (seed %llu)\n",
              static_cast<unsigned long long>(options.tree.seed));
  std::printf("tree: %d files in %d nested folders below %s\n", tree.files, tree.folders,
              root.c_str());
  std::printf("      %d .EXE (%.1f MiB), %d of them matching; %d signatures; built in %.1f s\n",
              tree.exeFiles, tree.exeBytes / 1048576.0, static_cast<int>(tree.samples.size()),
              records, buildMs / 1000);

  Pass passes[] = {
      {"fingerprints", false, base + "clam-sig", base + "sig.yarc", {}, {}, {}, {}, {}},
      {"heuristic", true, base + "clam-heur", base + "heur.yarc", {}, {}, {}, {}, {}}};
  const bool peers = options.peerRounds > 0;
  const std::string scanList = base + "exe-files.txt";
  if (peers) {
    // The heuristic pass's peers look for the markers besides the hashes.
    std::filesystem::copy_file(base + "clam-sig/bench.hdb", base + "clam-heur/bench.hdb");
    std::ofstream(base + "clam-heur/markers.ndb") << clamMarkerSignatures();
    const std::string hashRules = yaraHashRules(base + "clam-sig/bench.hdb");
    require(compileYaraRules(options.yarac, hashRules, passes[0].yaraRules) &&
                compileYaraRules(options.yarac, hashRules + yaraMarkerRule(), passes[1].yaraRules),
            "yarac cannot compile the rules (Debian package yara), or leave the peers out: "
            "--peer-rounds 0");
    // yara walks no tree by a name rule: it is handed the files the walk examines.
    std::ofstream list(scanList);
    orv::DirectoryWalker::walk(
        QByteArray::fromStdString(root),
        [&](const QByteArray& path) { list << path.toStdString() << '\n'; }, [] { return false; });
  }

  // Untimed: the page cache filled, and each timed pass once.
  readWholeTree(root);
  Measured startOrv, startClam, startYara;
  for (int i = 0; i < 2; ++i) {
    const ProcessRun orv = runProcess(
        options.orvScan, {QStringLiteral("--signatures"), QString::fromStdString(signatures),
                          QString::fromStdString(empty)});
    require(orv.started && orv.exitCode == 0, "orv-scan on an empty folder:\n" + orv.output);
    if (i == 1) startOrv.add(orv.wallMs, orv.cpuMs);
    if (!peers) continue;
    const ClamscanRun clam = runClamscan(options.clamscan, passes[0].clamDatabase, empty);
    require(clam.started && clam.exitCode == 0,
            "clamscan on an empty folder (Debian package "
            "clamav):\n" +
                clam.output.substr(0, 4000));
    const std::string none = base + "no-files.txt";
    std::ofstream{none};
    const YaraRun yara = runYara(options.yara, passes[0].yaraRules, none, 1);
    require(yara.started && yara.exitCode == 0, "yara on no files:\n" + yara.output);
    if (i == 1) {
      startClam.add(clam.wallMs, clam.cpuMs);
      startYara.add(yara.wallMs, yara.cpuMs);
    }
  }
  for (Pass& pass : passes) timeOrvScan(options, signatures, root, tree, pass.heuristic, 0);

  const int rounds = std::max(options.rounds, options.peerRounds);
  for (int r = 0; r < rounds; ++r) {
    for (Pass& pass : passes) {
      if (r < options.rounds) {
        WalkCount walked;
        int digests = 0;
        const double cpuBefore = threadCpuMs();
        const double wallMs = millisecondsOf(
            [&] { walked = pass.heuristic ? wholeExeWalk(root) : digestWalk(root, &digests); });
        pass.floor.add(wallMs, threadCpuMs() - cpuBefore);
        require(walked.files == tree.exeFiles && (pass.heuristic || digests == tree.mzHeaded),
                "floor walk opened " + std::to_string(walked.files) + " files");
        const ProcessRun scan = timeOrvScan(options, signatures, root, tree, pass.heuristic, 0);
        pass.scan.add(scan.wallMs, scan.cpuMs);
        const ProcessRun one = timeOrvScan(options, signatures, root, tree, pass.heuristic, 1);
        pass.oneThread.add(one.wallMs, one.cpuMs);
      }
      if (r < options.peerRounds) {
        const ClamscanRun clam = runClamscan(options.clamscan, pass.clamDatabase, root);
        checkClamscan(clam, tree);
        pass.clam.add(clam.wallMs, clam.cpuMs);
        const YaraRun yara = timeYara(options, pass.yaraRules, scanList, tree);
        pass.yara.add(yara.wallMs, yara.cpuMs);
      }
    }
  }

  std::printf("\n  %-44s %13s %13s %13s %4s\n", "", "median", "min", "cpu median", "runs");
  printRow("orv-scan start-up (empty folder)", startOrv);
  if (peers) {
    printRow("clamscan start-up (empty folder)", startClam);
    printRow("yara start-up (no files)", startYara);
  }
  for (const Pass& pass : passes) {
    std::printf("  %s:\n", pass.name);
    printRow(pass.heuristic ? "  floor: walk, read each .EXE whole"
                            : "  floor: walk, read and digest <= 2050 B",
             pass.floor);
    printRow(pass.heuristic ? "  orv-scan --heuristic" : "  orv-scan", pass.scan);
    printRow("  orv-scan --threads 1", pass.oneThread);
    if (peers) {
      printRow("  clamscan -r, .EXE only", pass.clam);
      printRow("  yara, the list of .EXE files", pass.yara);
    }
  }
  std::printf("  (every run found exactly the %d samples in %d .EXE files)\n\n",
              static_cast<int>(tree.samples.size()), tree.exeFiles);

  bool met = true;
  for (const Pass& pass : passes) {
    const double target = pass.heuristic ? 1.5 : 1.2;
    const double ratio = pass.scan.wall.median() / pass.floor.wall.median();
    met = met && ratio <= target;
    std::printf("%-12s orv-scan / floor = %5.2f  (target <= %.1f: %s; processor time %.2f)",
                pass.name, ratio, target, ratio <= target ? "met" : "MISSED",
                pass.scan.cpu.median() / pass.floor.cpu.median());
    if (peers)
      std::printf("   clamscan / orv-scan = %5.1f   yara / orv-scan = %5.1f",
                  pass.clam.wall.median() / pass.scan.wall.median(),
                  pass.yara.wall.median() / pass.scan.wall.median());
    std::printf("\n");
  }
  return options.checkTargets && !met ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (options.orvScan.empty()) options.orvScan = besideThisProgram("orv-scan");
  QCoreApplication app(argc, argv);
  try {
    return run(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orv_scan_bench: %s\n", error.what());
    return 1;
  }
}
