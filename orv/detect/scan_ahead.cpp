#include "detect/scan_ahead.h"

#include <pthread.h>

#include <utility>

#include "detect/directory_walker.h"
#include "sigmatch/sigmatch.h"

namespace orv {
namespace {

using Clock = ScanAhead::Clock;

// The walk hands files over in batches: one wake-up of the scan per file would cost the
// walk more than the look-up itself. A batch goes when it is full, or when its first file
// has waited this long (the walk may be slow: a network share, a huge folder without files
// to examine).
constexpr std::size_t kBatchSize = 32;
constexpr Clock::duration kBatchDelay = std::chrono::milliseconds(10);

}  // namespace

ScanAhead::ScanAhead(const QByteArray& folder, std::size_t capacity)
    : m_capacity(capacity < kBatchSize ? kBatchSize : capacity),
      m_thread([this, folder] { walk(folder); }) {}

ScanAhead::~ScanAhead() {
  m_stop = true;
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_roomReady.notify_all();
  }
  m_thread.join();
}

ScanAhead::Next ScanAhead::next(File& file, std::chrono::milliseconds wait) {
  if (m_taken.empty()) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_shared.empty() && !m_done)
      m_filesReady.wait_for(lock, wait, [this] { return !m_shared.empty() || m_done; });
    if (m_shared.empty()) {
      if (!m_done) return Next::Waiting;
      if (m_failure) std::rethrow_exception(std::exchange(m_failure, nullptr));
      return Next::End;
    }
    m_taken.swap(m_shared);
    m_roomReady.notify_one();
  }
  file = std::move(m_taken.front());
  m_taken.pop_front();
  return Next::File;
}

void ScanAhead::publish(std::deque<File>& batch) {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_roomReady.wait(lock, [this] { return m_stop || m_shared.size() < m_capacity; });
  if (m_stop) return;  // nobody takes them any more
  for (File& file : batch) m_shared.push_back(std::move(file));
  batch.clear();
  m_filesReady.notify_one();
}

void ScanAhead::walk(const QByteArray& folder) {
  ::pthread_setname_np(::pthread_self(), "orv-scan-ahead");  // as top and debuggers show it
  std::deque<File> batch;
  Clock::time_point batchStarted;
  try {
    DirectoryWalker::walk(
        folder,
        [&](const QByteArray& path) {
          File& file = batch.emplace_back();
          file.path = path;
          file.lookedUpAt = Clock::now();
          if (batch.size() == 1) batchStarted = file.lookedUpAt;
          ScanDialers(&file.signature, path.constData());
          if (batch.size() >= kBatchSize) publish(batch);
        },
        [&] {
          if (!batch.empty() && Clock::now() - batchStarted >= kBatchDelay) publish(batch);
          return m_stop.load();
        });
    if (!batch.empty()) publish(batch);
  } catch (...) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_failure = std::current_exception();
  }
  const std::lock_guard<std::mutex> lock(m_mutex);
  m_done = true;
  m_filesReady.notify_one();
}

}  // namespace orv
