#pragma once

// What the scan benchmarks share: their temporary folder, timing and checking.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_tree.h"
#include "clamscan_runner.h"

namespace scanbench {

// The bench's own folder, removed at the end unless asked to keep it.
class TempFolder {
 public:
  TempFolder(std::string parent, bool keep) : m_keep(keep) {
    if (parent.empty()) parent = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string pattern = parent + "/orv-scanbench-XXXXXX";
    if (!::mkdtemp(pattern.data()))
      throw std::runtime_error("cannot create a folder in " + parent + ": " + std::strerror(errno));
    m_path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!m_keep) std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
  bool m_keep;
};

// The argument after argv[i] as a number of at least 0 into `target`, moving `i` on; false
// when there is none or it is not such a number.
template <typename T>
bool numberArgument(int argc, char** argv, int& i, T& target) {
  if (i + 1 >= argc) return false;
  char* end = nullptr;
  const long long number = std::strtoll(argv[++i], &end, 10);
  if (*end != '\0' || number < 0) return false;
  target = static_cast<T>(number);
  return true;
}

// The argument after argv[i] as text into `target`, moving `i` on; false when there is none.
inline bool textArgument(int argc, char** argv, int& i, std::string& target) {
  if (i + 1 >= argc) return false;
  target = argv[++i];
  return true;
}

// argv[i] as one of the options that shape the tree (--seed, --files, --exe, --folders,
// --matching, --decoys with their number): empty when it is none of them, else whether
// its number was good.
inline std::optional<bool> treeOption(int argc, char** argv, int& i, TreeShape& tree) {
  const std::string arg = argv[i];
  if (arg == "--seed") return numberArgument(argc, argv, i, tree.seed);
  if (arg == "--files") return numberArgument(argc, argv, i, tree.files);
  if (arg == "--exe") return numberArgument(argc, argv, i, tree.exeFiles);
  if (arg == "--folders") return numberArgument(argc, argv, i, tree.folders);
  if (arg == "--matching") return numberArgument(argc, argv, i, tree.matching);
  if (arg == "--decoys") return numberArgument(argc, argv, i, tree.decoys);
  return std::nullopt;
}

// `name` in the folder of this program (a program built beside it); `name` alone when that
// folder cannot be found.
inline std::string besideThisProgram(const std::string& name) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? name : (self.parent_path() / name).string();
}

// Processor time of the calling thread, in milliseconds.
inline double threadCpuMs() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return 1e3 * static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e6;
}

inline double millisecondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// The middle value, the mean of the two middle ones for an even count; 0 for none.
inline double medianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline double minimumOf(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

struct Timings {
  std::vector<double> ms;
  double median() const { return medianOf(ms); }
  double min() const { return minimumOf(ms); }
};

inline void require(bool condition, const std::string& what) {
  if (!condition) throw std::runtime_error("wrong result: " + what);
}

inline void printRow(const char* label, const Timings& timings) {
  std::printf("  %-44s %10.1f ms %10.1f ms %4zu\n", label, timings.median(), timings.min(),
              timings.ms.size());
}

inline std::set<std::string> samplePaths(const BuiltTree& tree) {
  std::set<std::string> paths;
  for (const Sample& sample : tree.samples) paths.insert(sample.path);
  return paths;
}

// clamscan found the samples in the .EXE files, and nothing else.
inline void checkClamscan(const ClamscanRun& run, const BuiltTree& tree) {
  require(run.started, "clamscan did not start");
  require(run.exitCode == (tree.samples.empty() ? 0 : 1) && run.scannedFiles == tree.exeFiles &&
              run.infectedFiles == static_cast<int>(tree.samples.size()) &&
              run.found == samplePaths(tree),
          "clamscan exited " + std::to_string(run.exitCode) + ", scanned " +
              std::to_string(run.scannedFiles) + ", found " + std::to_string(run.infectedFiles) +
              "; its output:\n" + run.output.substr(0, 4000));
}

}  // namespace scanbench
