// Signature database load time, lookup time and per-file fingerprint cost.
//   build/bin/sigmatch_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "sigmatch/fingerprint.h"
#include "sigmatch/sigmatch.h"
#include "sigmatch/signature_loader.h"
#include "sigmatch/signature_record.h"
#include "sigmatch/signature_table.h"

namespace {

class Workspace {
 public:
  Workspace() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sigmatch-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) m_dir = pattern;
  }
  ~Workspace() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  std::string file(const std::string& name) const { return (m_dir / name).string(); }

 private:
  std::filesystem::path m_dir;
};

Workspace& workspace() {
  static Workspace instance;
  return instance;
}

std::string randomFingerprint(std::mt19937_64& random) {
  std::string text;
  for (int i = 0; i < 32; ++i) text += "0123456789abcdef"[random() % 16];
  return text;
}

std::vector<std::string> fingerprints(std::size_t count) {
  std::mt19937_64 random(count);
  std::vector<std::string> out;
  for (std::size_t i = 0; i < count; ++i) out.push_back(randomFingerprint(random));
  return out;
}

// A signature file of `count` distinct records, written once per size.
const std::string& signatureFile(std::size_t count) {
  static std::map<std::size_t, std::string> files;
  auto it = files.find(count);
  if (it != files.end()) return it->second;
  const std::string path = workspace().file(std::to_string(count) + ".sig");
  std::ofstream out(path, std::ios::binary);
  std::size_t i = 0;
  for (const std::string& fingerprint : fingerprints(count)) {
    const auto raw = sigmatch::encodeRecord("Dialer " + std::to_string(i++), fingerprint);
    out.write(reinterpret_cast<const char*>(raw.data()), raw.size());
  }
  return files.emplace(count, path).first->second;
}

std::string executable(std::uint64_t size) {
  const std::string path = workspace().file("file" + std::to_string(size) + ".exe");
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::string noise(8192, '\0');
  std::mt19937 random(1);
  for (char& c : noise) c = static_cast<char>(random());
  noise[0] = 'M';
  noise[1] = 'Z';
  // Sparse beyond the first 8 KiB and around the middle: the cost must not depend on size.
  if (::ftruncate(fd, off_t(size)) != 0 ||
      ::pwrite(fd, noise.data(), std::min<std::uint64_t>(size, noise.size()), 0) < 0) {
    std::abort();
  }
  ::close(fd);
  return path;
}

void BM_LoadSignatures(benchmark::State& state) {
  const std::string& path = signatureFile(std::size_t(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(InitDialersDatabase(path.c_str()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadSignatures)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Every query a fingerprint in the table, or none in it: a file that is no dialer.
template <bool kHit, bool kIndexed>
void BM_Lookup(benchmark::State& state) {
  sigmatch::SignatureTable table;
  table.assign(
      sigmatch::loadSignatureFile(signatureFile(std::size_t(state.range(0))).c_str()).records);
  std::mt19937_64 random(99);
  std::vector<std::string> queries;
  if (kHit) {
    const auto present = fingerprints(std::size_t(state.range(0)));
    for (int i = 0; i < 1024; ++i) queries.push_back(present[random() % present.size()]);
  } else {
    for (int i = 0; i < 1024; ++i) queries.push_back(randomFingerprint(random));
  }
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& query = queries[i++ % queries.size()];
    benchmark::DoNotOptimize(kIndexed ? table.findFirst(query) : table.findFirstLinear(query));
  }
}
BENCHMARK_TEMPLATE(BM_Lookup, true, true)
    ->Name("BM_LookupIndexedHit")
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000);
BENCHMARK_TEMPLATE(BM_Lookup, false, true)
    ->Name("BM_LookupIndexedMiss")
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000);
BENCHMARK_TEMPLATE(BM_Lookup, false, false)
    ->Name("BM_LookupLinearMiss")
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

void BM_Fingerprint(benchmark::State& state) {
  const std::string path = executable(std::uint64_t(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(sigmatch::computeFingerprint(path.c_str()));
}
BENCHMARK(BM_Fingerprint)->Arg(1000)->Arg(8192)->Arg(1 << 20)->Arg(int64_t(3) << 30);

// The export as the disk scan calls it: fingerprint plus lookup in a loaded table.
void BM_ScanDialers(benchmark::State& state) {
  InitDialersDatabase(signatureFile(std::size_t(state.range(0))).c_str());
  const std::string path = executable(1 << 20);
  ShortText result;
  for (auto _ : state) {
    ScanDialers(&result, path.c_str());
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_ScanDialers)->Arg(1000)->Arg(1000000);

}  // namespace

BENCHMARK_MAIN();
