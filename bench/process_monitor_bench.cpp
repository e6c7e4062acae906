// A monitor tick when nothing new runs: one process-list query and one look-up per id.
//
//   build/bin/process_monitor_bench

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <set>
#include <vector>

#include "detect/detection_host.h"
#include "detect/process_monitor.h"

namespace {

// Nothing new is found, so the host is never asked anything.
class SilentHost final : public orv::DetectionHost {
 public:
  void AddReportLine(const QString&, int32_t, bool) override {}
  int ShowWarning(const QString&, const QString&, const QString&, bool, bool, bool, bool, bool, int,
                  int) override {
    return orv::AnswerIgnore;
  }
  bool IsAllowed(const QString&) override { return false; }
  void AllowFile(const QString&) override {}
  bool lockFlag() const override { return false; }
};

struct Setup {
  QTemporaryDir dir;
  QString baseDir = dir.path() + QLatin1Char('/');
  SilentHost host;
  std::set<QString> examined;
  QTimer timer;
};

// `count` ids, all examined before: the list comes from memory, so only the monitor's own work
// is measured.
void BM_TickWithKnownIds(benchmark::State& state) {
  Setup s;
  std::vector<std::uint32_t> ids;
  for (std::int64_t i = 0; i < state.range(0); ++i) {
    ids.push_back(static_cast<std::uint32_t>(100 + i * 7));
    s.examined.insert(QString::number(ids.back()));
  }
  orv::ProcessSource source;
  source.numberOfProcesses = [&] { return static_cast<std::int32_t>(ids.size()); };
  source.processIdList = [&](std::uint32_t* out, std::int32_t limit) {
    std::copy_n(ids.begin(), std::min<std::size_t>(ids.size(), std::size_t(limit)), out);
    return 1;
  };
  orv::ProcessMonitor monitor(s.host, s.baseDir, s.examined, s.timer, source);
  monitor.setActive(true);
  monitor.tick();  // the first tick removes a dump a crashed run may have left
  for (auto _ : state) monitor.tick();
  state.counters["ids"] = static_cast<double>(ids.size());
  state.counters["per_id"] = benchmark::Counter(
      static_cast<double>(ids.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TickWithKnownIds)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The machine's real process list through libprocs (two reads of /proc per tick), every
// running process examined before.
void BM_TickWithRealListAllKnown(benchmark::State& state) {
  Setup s;
  const orv::ProcessSource source = orv::ProcessSource::libprocs();
  std::vector<std::uint32_t> ids(static_cast<std::size_t>(source.numberOfProcesses()) + 64);
  source.processIdList(ids.data(), static_cast<std::int32_t>(ids.size()));
  for (const std::uint32_t id : ids) s.examined.insert(QString::number(id));
  orv::ProcessMonitor monitor(s.host, s.baseDir, s.examined, s.timer, source);
  monitor.setActive(true);
  for (auto _ : state) monitor.tick();
  state.counters["processes"] = static_cast<double>(s.examined.size());
}
BENCHMARK(BM_TickWithRealListAllKnown)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
