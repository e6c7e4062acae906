#pragma once

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "detect/directory_walker.h"
#include "file_examiner.h"
#include "scan_item.h"
#include "sigmatch/signature_table.h"

namespace orvscan {

// Receives the scan's results on the thread that runs the scan, in the order of the paths
// given and, within a folder, of the walk (see DirectoryWalker), whatever thread examined
// them.
class ScanSink {
 public:
  virtual ~ScanSink() = default;
  virtual void report(const ScanItem& item) = 0;
};

struct ScanTotals {
  std::uint64_t folders = 0;     // folders listed
  std::uint64_t files = 0;       // everything else met: files named by a path, folder entries
  std::uint64_t examined = 0;    // files both checks could open
  std::uint64_t findings = 0;    // answers other than "OK": a file can count twice
  std::uint64_t unreadable = 0;  // files and folders below a path that could not be read
  std::uint64_t pathErrors = 0;  // paths that could not be scanned at all
};

// The scan of the command-line tool: one thread walks the folders (the disk scan's walk:
// the same files, links to folders never followed), the calling thread and `examiners` - 1
// more examine the files in batches, and the calling thread hands the results over in order.
class ScanPipeline {
 public:
  struct Options {
    // Loaded before, and left as it is until the scan ends.
    const sigmatch::SignatureTable* signatures = nullptr;
    std::vector<QByteArray> paths;
    bool heuristic = false;
    int examiners = 1;  // threads examining files, the calling one included
  };

  ScanPipeline(Options options, ScanSink& sink);
  // Stops the threads that still run (after a failure) and waits for them.
  ~ScanPipeline();
  ScanPipeline(const ScanPipeline&) = delete;
  ScanPipeline& operator=(const ScanPipeline&) = delete;

  // Runs the whole scan. Throws std::system_error when no thread can be started for the
  // walk, and rethrows what ended a thread early.
  ScanTotals run();

 private:
  struct Batch {
    std::vector<ScanItem> items;
    bool examined = false;
  };

  void walkAll();
  void walkPath(const QByteArray& path, orv::DirectoryWalker::Tally& tally);
  void add(ScanItem item);
  void publish();
  void examineWhileWorkIsLeft();
  // Examines the next batch no thread has taken, if there is one; `lock` holds m_mutex.
  bool examineNext(std::unique_lock<std::mutex>& lock, FileExaminer& examiner);
  void count(const ScanItem& item, ScanTotals& totals) const;
  void stop();

  const Options m_options;
  ScanSink& m_sink;

  // The walk's own.
  std::unique_ptr<Batch> m_filling;
  std::chrono::steady_clock::time_point m_fillingSince;
  std::uint64_t m_namedFiles = 0;
  orv::DirectoryWalker::Tally m_tally;

  std::mutex m_mutex;
  std::condition_variable m_changed;           // any of the states below
  std::deque<std::unique_ptr<Batch>> m_order;  // not yet reported, in walk order
  std::deque<Batch*> m_unexamined;             // of those, not yet taken by an examiner
  bool m_walkEnded = false;
  std::atomic<bool> m_stopping{false};  // also read by the walk between entries
  std::exception_ptr m_failure;

  std::vector<std::thread> m_threads;  // last: joined before anything else goes
};

}  // namespace orvscan
