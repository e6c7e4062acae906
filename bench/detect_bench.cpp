// Throughput of the allowed list's CRC-32 and cost of one process-monitor pass over libprocs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "detect/crc32.h"
#include "procs.h"

namespace {

void crcInMemory(benchmark::State& state) {
  const std::string data(static_cast<std::size_t>(state.range(0)), '\x5a');
  for (auto _ : state)
    benchmark::DoNotOptimize(orv::Crc32Update(0xFFFFFFFFU, data.data(), data.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(crcInMemory)->Arg(64 << 10)->Arg(16 << 20);

void crcOfFile(benchmark::State& state) {
  char name[] = "/tmp/orv-bench-crc-XXXXXX";
  const int fd = ::mkstemp(name);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  ::close(fd);
  {
    std::ofstream out(name, std::ios::binary);
    const std::string block(1 << 20, '\x33');
    for (int64_t i = 0; i < state.range(0); ++i) out << block;
  }
  for (auto _ : state) benchmark::DoNotOptimize(orv::FileCrc32(name));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) << 20);
  std::remove(name);
}
BENCHMARK(crcOfFile)->Arg(64)->Unit(benchmark::kMillisecond);

// What a first monitor tick asks of libprocs for every running process.
void processPass(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::uint32_t> ids(static_cast<std::size_t>(GetNumberOfProcesses()), 0);
    GetProcessIDList(ids.data(), 999999);
    for (const std::uint32_t id : ids) {
      std::uint64_t base = 0, size = 0;
      char path[ORV_PROCESS_PATH_BUFFER] = {};
      benchmark::DoNotOptimize(GetProcessBaseSize(id, &base, &size));
      benchmark::DoNotOptimize(GetProcessPath(id, path, 999999));
    }
    state.counters["processes"] = static_cast<double>(ids.size());
  }
}
BENCHMARK(processPass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
