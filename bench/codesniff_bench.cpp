// Throughput of the heuristic check over a corpus of 500 KiB files, next to a floor (one
// read plus one pass over every byte) and to yara scanning the same files for the same
// strings, all in one run:
//   build/bin/codesniff_bench [--benchmark_repetitions=5]
// CODESNIFF_BENCH_FILES sets the number of files of each kind (default 64: 32 MB);
// "text/0" is the set of random bytes, "text/1" printable text. YARA and YARAC
// name the yara programs (default: from PATH).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "codesniff.h"
#include "examination.h"
#include "text_filter.h"

extern char** environ;

namespace {

constexpr std::size_t kFileSize = 500 * 1024;

const char* const kMarkers[] = {
    "RasDialA", "RasCreatePhonebookEntryA", "CAPIPUTMESSAGE", "lineDial", "tapiRequest", "0190",
    "0900"};

std::string envOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

// Runs a program, returns its exit status and (optionally) counts its output lines.
int run(const std::vector<std::string>& args, int* lines = nullptr) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  int count = 0;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    for (ssize_t i = 0; i < n; ++i) count += buffer[i] == '\n';
  ::close(pipeFds[0]);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (lines != nullptr) *lines = count;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double childCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Two sets of files, each half with one to three markers (plain or as 16-bit text) at
// random places: random bytes (a quarter of them letters or digits, like compressed
// or machine code) and printable text (two thirds letters or digits: the most text
// to search). Removed at exit.
enum Kind { kRandomBytes = 0, kPrintableText = 1 };

class Corpus {
 public:
  Corpus() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "codesniff-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    m_root = pattern;
    std::filesystem::create_directory(m_root / "empty");
    const int count = std::max(2, std::atoi(envOr("CODESNIFF_BENCH_FILES", "64").c_str()));
    std::mt19937_64 random(42);
    for (int kind : {kRandomBytes, kPrintableText}) {
      const std::filesystem::path folder = m_root / std::to_string(kind);
      std::filesystem::create_directory(folder);
      for (int i = 0; i < count; ++i) {
        std::string bytes(kFileSize, '\0');
        for (char& b : bytes) {
          const std::uint64_t r = random();
          b = static_cast<char>(kind == kRandomBytes ? r : 32 + r % 95);
        }
        if (i % 2 == 1) {
          // The first one names a group, so that every such file is a finding.
          for (std::uint64_t n = 1 + random() % 3, k = 0; k < n; ++k) {
            std::string marker = kMarkers[random() % (k == 0 ? 5 : std::size(kMarkers))];
            if (random() % 2 == 0) {
              std::string wide;
              for (char c : marker) wide += std::string{c, '\0'};
              marker = wide;
            }
            bytes.replace(random() % (kFileSize - marker.size()), marker.size(), marker);
          }
        }
        const std::string path = (folder / ("f" + std::to_string(i) + ".bin")).string();
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        m_paths[kind].push_back(path);
      }
    }

    std::ofstream rules(m_root / "rules.yar");
    rules << "rule dialer_markers {\n  strings:\n";
    int n = 0;
    for (const char* marker : kMarkers)
      rules << "    $m" << n++ << " = \"" << marker << "\" ascii wide\n";
    rules << "  condition:\n    any of them\n}\n";
    rules.close();
    // Compiled once, so that yara's run measures its scan rather than its compiler.
    m_compiled = run({envOr("YARAC", "yarac"), (m_root / "rules.yar").string(),
                      (m_root / "rules.yarc").string()}) == 0;
  }
  ~Corpus() {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }

  const std::vector<std::string>& paths(int kind) const { return m_paths[kind]; }
  std::int64_t bytes(int kind) const {
    return static_cast<std::int64_t>(m_paths[kind].size() * kFileSize);
  }
  int withMarkers(int kind) const { return static_cast<int>(m_paths[kind].size() / 2); }
  std::string folder(int kind) const { return (m_root / std::to_string(kind)).string(); }
  std::string emptyFolder() const { return (m_root / "empty").string(); }
  std::vector<std::string> yaraRules() const {
    if (m_compiled) return {"-C", (m_root / "rules.yarc").string()};
    return {(m_root / "rules.yar").string()};
  }

 private:
  std::filesystem::path m_root;
  std::vector<std::string> m_paths[2];
  bool m_compiled = false;
};

Corpus& corpus() {
  static Corpus instance;
  return instance;
}

void BM_CheckHeuristically(benchmark::State& state) {
  const Corpus& c = corpus();
  const auto kind = static_cast<int>(state.range(0));
  int found = 0;
  for (auto _ : state) {
    found = 0;
    for (const std::string& path : c.paths(kind)) {
      ShortText result;
      CheckHeuristically(&result, path.c_str(), 0);
      found += result.length != 2;
    }
  }
  state.SetBytesProcessed(state.iterations() * c.bytes(kind));
  state.counters["found"] = found;
  state.counters["expected"] = c.withMarkers(kind);
  // A check that misses what it should find would post a fine speed.
  if (found != c.withMarkers(kind)) state.SkipWithError("findings differ from the corpus");
}

// What any examination of these files costs at least: one read, one look at each byte.
void BM_FloorReadAndPass(benchmark::State& state) {
  const Corpus& c = corpus();
  const auto kind = static_cast<int>(state.range(0));
  std::vector<unsigned char> buffer(kFileSize);
  for (auto _ : state) {
    std::uint64_t sum = 0;
    for (const std::string& path : c.paths(kind)) {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      const ssize_t got = ::read(fd, buffer.data(), buffer.size());
      ::close(fd);
      for (ssize_t i = 0; i < got; ++i) sum += buffer[static_cast<std::size_t>(i)];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * c.bytes(kind));
}

// yara over the same folder with the same strings (plain and 16-bit), with one thread
// as the check has, and with two. Its process start is part of the measured time; the
// run over an empty folder shows how much that is.
void BM_Yara(benchmark::State& state) {
  const Corpus& c = corpus();
  const auto kind = static_cast<int>(state.range(0));
  std::vector<std::string> args = {envOr("YARA", "yara"), "-p", std::to_string(state.range(1))};
  for (const std::string& a : c.yaraRules()) args.push_back(a);
  args.push_back(kind < 0 ? c.emptyFolder() : c.folder(kind));
  int matched = 0;
  const double cpuBefore = childCpuSeconds();
  for (auto _ : state) {
    if (run(args, &matched) != 0) {
      state.SkipWithError("yara did not run");
      return;
    }
  }
  // yara's own processor time, comparable to the CPU column of the in-process runs on
  // a machine that others load too.
  state.counters["yara_cpu_ms"] =
      1000 * (childCpuSeconds() - cpuBefore) / static_cast<double>(state.iterations());
  if (kind >= 0) {
    state.SetBytesProcessed(state.iterations() * c.bytes(kind));
    state.counters["found"] = matched;
    state.counters["expected"] = c.withMarkers(kind);
  }
}

// The parts alone, in memory: the filter, and filter plus search.
std::string randomBlock() {
  std::string bytes(kFileSize, '\0');
  std::mt19937_64 random(1);
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

void BM_FilterOnly(benchmark::State& state) {
  const std::string bytes = randomBlock();
  std::vector<unsigned char> out(bytes.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(codesniff::filterExamined(
        reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out.data()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void BM_FilterAndSearchInMemory(benchmark::State& state) {
  const std::string bytes = randomBlock();
  for (auto _ : state) {
    std::size_t position = 0;
    const codesniff::Findings findings =
        codesniff::examineBlocks([&](unsigned char* buffer, std::size_t capacity) {
          const std::size_t n = std::min(capacity, bytes.size() - position);
          std::memcpy(buffer, bytes.data() + position, n);
          position += n;
          return static_cast<std::ptrdiff_t>(n);
        });
    benchmark::DoNotOptimize(findings.group);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

BENCHMARK(BM_CheckHeuristically)
    ->ArgName("text")
    ->Arg(kRandomBytes)
    ->Arg(kPrintableText)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FloorReadAndPass)
    ->ArgName("text")
    ->Arg(kRandomBytes)
    ->Arg(kPrintableText)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Yara)
    ->ArgNames({"text", "threads"})
    ->Args({kRandomBytes, 1})
    ->Args({kPrintableText, 1})
    ->Args({kRandomBytes, 2})
    ->Args({-1, 1})  // empty folder: start-up only
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FilterOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterAndSearchInMemory)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
