#include "detect/scan_ahead.h"

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

#include "detect/directory_walker.h"
#include "detect/file_changes.h"
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

std::atomic<int> g_abandoned{0};

}  // namespace

// Everything the walk's thread uses besides its own stack: it lives as long as the longer
// of the object and the thread.
struct ScanAhead::State {
  State(std::size_t capacity, LookUp lookUp) : capacity(capacity), lookUp(lookUp) {}

  void walk(const QByteArray& folder);
  // Hands the files looked up so far to the scan, waiting while it has enough in hand.
  void publish(std::deque<File>& batch);

  const std::size_t capacity;
  const LookUp lookUp;
  std::atomic<bool> stop{false};

  std::mutex mutex;
  std::condition_variable filesReady;  // the scan waits for files
  std::condition_variable roomReady;   // the walk waits for room
  std::condition_variable exited;      // the object's end waits for the thread
  std::deque<File> shared;             // guarded by mutex
  bool done = false;                   // guarded by mutex: every file is handed over
  bool finished = false;               // guarded by mutex: the thread touches nothing more
  bool abandoned = false;              // guarded by mutex: the object went without it
  std::exception_ptr failure;          // guarded by mutex
};

ScanAhead::ScanAhead(const QByteArray& folder, std::size_t capacity)
    : ScanAhead(folder, capacity, &ScanDialers) {}

ScanAhead::ScanAhead(const QByteArray& folder, std::size_t capacity, LookUp lookUp)
    : m_state(std::make_shared<State>(capacity < kBatchSize ? kBatchSize : capacity,
                                      lookUp ? lookUp : &ScanDialers)),
      m_thread([state = m_state, folder] { state->walk(folder); }) {}

ScanAhead::~ScanAhead() {
  State& state = *m_state;
  std::unique_lock<std::mutex> lock(state.mutex);
  state.stop = true;
  state.roomReady.notify_all();
  if (state.exited.wait_for(lock, kEndWait, [&] { return state.finished; })) {
    lock.unlock();
    m_thread.join();
    return;
  }
  // Stuck in a system call: the window must not wait for it. It holds the state itself.
  state.abandoned = true;
  ++g_abandoned;
  lock.unlock();
  m_thread.detach();
}

int ScanAhead::abandonedWalks() {
  return g_abandoned.load();
}

ScanAhead::Next ScanAhead::next(File& file, std::chrono::milliseconds wait) {
  if (m_taken.empty()) {
    State& state = *m_state;
    std::unique_lock<std::mutex> lock(state.mutex);
    if (state.shared.empty() && !state.done)
      state.filesReady.wait_for(lock, wait, [&] { return !state.shared.empty() || state.done; });
    if (state.shared.empty()) {
      if (!state.done) return Next::Waiting;
      if (state.failure) std::rethrow_exception(std::exchange(state.failure, nullptr));
      return Next::End;
    }
    m_taken.swap(state.shared);
    state.roomReady.notify_one();
  }
  file = std::move(m_taken.front());
  m_taken.pop_front();
  return Next::File;
}

void ScanAhead::State::publish(std::deque<File>& batch) {
  std::unique_lock<std::mutex> lock(mutex);
  roomReady.wait(lock, [this] { return stop || shared.size() < capacity; });
  if (stop) return;  // nobody takes them any more
  for (File& file : batch) shared.push_back(std::move(file));
  batch.clear();
  filesReady.notify_one();
}

void ScanAhead::State::walk(const QByteArray& folder) {
  ::pthread_setname_np(::pthread_self(), "orv-scan-ahead");  // as top and debuggers show it
  std::deque<File> batch;
  Clock::time_point batchStarted;
  try {
    DirectoryWalker::walk(
        folder,
        [&](const QByteArray& path) {
          File& file = batch.emplace_back();
          file.path = path;
          file.changeCount = FileChanges::count();
          file.lookedUpAt = Clock::now();
          if (batch.size() == 1) batchStarted = file.lookedUpAt;
          lookUp(&file.signature, path.constData());
          if (batch.size() >= kBatchSize) publish(batch);
        },
        [&] {
          if (!batch.empty() && Clock::now() - batchStarted >= kBatchDelay) publish(batch);
          return stop.load();
        });
    if (!batch.empty()) publish(batch);
  } catch (...) {
    const std::lock_guard<std::mutex> lock(mutex);
    failure = std::current_exception();
  }
  const std::lock_guard<std::mutex> lock(mutex);
  done = true;
  finished = true;
  filesReady.notify_one();
  exited.notify_one();
  if (abandoned) --g_abandoned;
}

}  // namespace orv
