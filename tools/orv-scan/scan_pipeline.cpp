#include "scan_pipeline.h"

#include <pthread.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>

namespace orvscan {
namespace {

using Clock = std::chrono::steady_clock;

// Files go from the walk to the examiners in batches: a hand-over per file would cost more
// than a fingerprint. A batch also goes when its first file has waited this long, so that a
// slow walk (a network share, huge folders without programs) still reports as it goes.
constexpr std::size_t kBatchSize = 64;
constexpr Clock::duration kBatchDelay = std::chrono::milliseconds(20);
// Batches between the walk and the output at most: the walk waits rather than fill memory.
constexpr std::size_t kBatchesInFlight = 64;

QByteArray withSeparator(const QByteArray& folder) {
  return folder.endsWith('/') ? folder : folder + '/';
}

}  // namespace

ScanPipeline::ScanPipeline(Options options, ScanSink& sink)
    : m_options(std::move(options)), m_sink(sink) {}

ScanPipeline::~ScanPipeline() {
  stop();
  for (std::thread& thread : m_threads) thread.join();
}

void ScanPipeline::stop() {
  const std::lock_guard<std::mutex> lock(m_mutex);
  m_stopping = true;
  m_changed.notify_all();
}

ScanTotals ScanPipeline::run() {
  m_threads.emplace_back([this] { walkAll(); });
  for (int i = 1; i < m_options.examiners; ++i) {
    try {
      m_threads.emplace_back([this] { examineWhileWorkIsLeft(); });
    } catch (const std::system_error&) {
      break;  // fewer helpers: the work gets done all the same
    }
  }

  ScanTotals totals;
  FileExaminer examiner(*m_options.signatures, m_options.heuristic);
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    if (m_failure) std::rethrow_exception(m_failure);
    if (!m_order.empty() && m_order.front()->examined) {
      const std::unique_ptr<Batch> batch = std::move(m_order.front());
      m_order.pop_front();
      m_changed.notify_all();  // room for the walk
      lock.unlock();
      for (const ScanItem& item : batch->items) {
        count(item, totals);
        m_sink.report(item);
      }
      lock.lock();
    } else if (examineNext(lock, examiner)) {
      // Nothing was ready to hand over: the calling thread lent a hand meanwhile.
    } else if (m_walkEnded && m_order.empty()) {
      break;
    } else {
      m_changed.wait(lock);
    }
  }
  lock.unlock();
  for (std::thread& thread : m_threads) thread.join();
  m_threads.clear();
  totals.folders = m_tally.folders;
  totals.files = m_tally.others + m_namedFiles;
  return totals;
}

void ScanPipeline::count(const ScanItem& item, ScanTotals& totals) const {
  switch (item.outcome) {
    case ScanItem::Outcome::Examined:
      ++totals.examined;
      totals.findings += isFinding(item.signature);
      totals.findings += item.heuristicChecked && isFinding(item.heuristic);
      return;
    case ScanItem::Outcome::Unreadable:
      ++totals.unreadable;
      return;
    default:
      break;
  }
  if (item.kind == ScanItem::Kind::UnlistedFolder) ++totals.unreadable;
  if (item.kind == ScanItem::Kind::BadPath) ++totals.pathErrors;
}

void ScanPipeline::walkAll() {
  ::pthread_setname_np(::pthread_self(), "orv-scan-walk");
  try {
    m_tally.unlisted = [this](const QByteArray& folder, int error) {
      ScanItem item;
      item.kind = ScanItem::Kind::UnlistedFolder;
      item.path = folder;
      item.error = error;
      add(std::move(item));
    };
    for (const QByteArray& path : m_options.paths) {
      if (m_stopping) break;
      walkPath(path, m_tally);
    }
    publish();
  } catch (...) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_failure = std::current_exception();
  }
  const std::lock_guard<std::mutex> lock(m_mutex);
  m_walkEnded = true;
  m_changed.notify_all();
}

void ScanPipeline::walkPath(const QByteArray& path, orv::DirectoryWalker::Tally& tally) {
  ScanItem item;
  item.path = path;
  struct stat info;
  // A path given is followed wherever it leads, a link to a folder included: it was named.
  if (::stat(path.constData(), &info) != 0) {
    item.kind = ScanItem::Kind::BadPath;
    item.error = errno;
  } else if (S_ISREG(info.st_mode)) {
    ++m_namedFiles;
    item.listedRegular = true;
  } else if (!S_ISDIR(info.st_mode)) {
    item.kind = ScanItem::Kind::BadPath;  // a fifo or a device is never opened
  } else {
    const QByteArray top = withSeparator(path);
    orv::DirectoryWalker::Tally pathTally;
    pathTally.unlisted = [&](const QByteArray& folder, int error) {
      if (folder != top) return tally.unlisted(folder, error);
      item.kind = ScanItem::Kind::BadPath;
      item.error = error;
      add(std::move(item));
    };
    orv::DirectoryWalker::walk(
        path,
        [this](const QByteArray& file, bool listedRegular) {
          ScanItem found;
          found.path = file;
          found.listedRegular = listedRegular;
          add(std::move(found));
        },
        [this] {
          if (m_filling && Clock::now() - m_fillingSince >= kBatchDelay) publish();
          return m_stopping.load();
        },
        &pathTally);
    tally.folders += pathTally.folders;
    tally.others += pathTally.others;
    return;
  }
  add(std::move(item));
}

void ScanPipeline::add(ScanItem item) {
  if (!m_filling) {
    m_filling = std::make_unique<Batch>();
    m_filling->items.reserve(kBatchSize);
    m_fillingSince = Clock::now();
  }
  m_filling->items.push_back(std::move(item));
  if (m_filling->items.size() >= kBatchSize) publish();
}

void ScanPipeline::publish() {
  if (!m_filling) return;
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [this] { return m_stopping || m_order.size() < kBatchesInFlight; });
  if (m_stopping) return;
  m_unexamined.push_back(m_filling.get());
  m_order.push_back(std::move(m_filling));
  m_changed.notify_all();
}

void ScanPipeline::examineWhileWorkIsLeft() {
  ::pthread_setname_np(::pthread_self(), "orv-scan-check");
  try {
    FileExaminer examiner(*m_options.signatures, m_options.heuristic);
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
      if (examineNext(lock, examiner)) continue;
      if (m_walkEnded) return;
      m_changed.wait(lock);
    }
  } catch (...) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_failure) m_failure = std::current_exception();
    m_changed.notify_all();
  }
}

bool ScanPipeline::examineNext(std::unique_lock<std::mutex>& lock, FileExaminer& examiner) {
  if (m_unexamined.empty()) return false;
  Batch* batch = m_unexamined.front();
  m_unexamined.pop_front();
  lock.unlock();
  for (ScanItem& item : batch->items)
    if (item.kind == ScanItem::Kind::File) examiner.examine(item);
  lock.lock();
  batch->examined = true;
  m_changed.notify_all();
  return true;
}

}  // namespace orvscan
