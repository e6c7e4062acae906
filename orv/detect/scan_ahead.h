#pragma once

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "short_text.h"

namespace orv {

// Walks a folder tree on a thread of its own and looks every file up in the signature
// database ahead of the disk scan, so that listing, reading and hashing overlap with the
// window's work instead of adding to it. The files come out in the walk's order (see
// DirectoryWalker).
//
// A look-up made ahead tells what the file held at that moment; each comes with the time
// it began, so that whoever uses it can tell whether something may have changed the file
// since (see DiskScan).
//
// ScanDialers reads the signature database from this thread too: the database must not be
// loaded anew while a walk runs (the program loads it once, at start).
//
// The walk stops to wait while `capacity` files it handed over are still untaken (the scan
// holds at most as many again); it ends when the object goes.
class ScanAhead {
 public:
  using Clock = std::chrono::steady_clock;

  struct File {
    QByteArray path;
    Clock::time_point lookedUpAt;  // just before the file was opened
    ShortText signature;           // what ScanDialers answered for it
  };

  enum class Next { File, Waiting, End };

  static constexpr std::size_t kDefaultCapacity = 256;

  // Starts the walk at once. Throws std::system_error when no thread can be started.
  explicit ScanAhead(const QByteArray& folder, std::size_t capacity = kDefaultCapacity);
  // Stops the walk and waits for its thread (which finishes the file in hand).
  ~ScanAhead();
  ScanAhead(const ScanAhead&) = delete;
  ScanAhead& operator=(const ScanAhead&) = delete;

  // The next file into `file`; Waiting when none came within `wait`; End once the walk is
  // over and every file was handed out. Rethrows what ended the walk early.
  Next next(File& file, std::chrono::milliseconds wait);

 private:
  void walk(const QByteArray& folder);
  // Hands the files looked up so far to the scan, waiting while it has enough in hand.
  void publish(std::deque<File>& batch);

  const std::size_t m_capacity;
  std::atomic<bool> m_stop{false};

  std::mutex m_mutex;
  std::condition_variable m_filesReady;  // the scan waits for files
  std::condition_variable m_roomReady;   // the walk waits for room
  std::deque<File> m_shared;             // guarded by m_mutex
  bool m_done = false;                   // guarded by m_mutex
  std::exception_ptr m_failure;          // guarded by m_mutex

  std::deque<File> m_taken;  // the scan's own, taken from m_shared in one go
  std::thread m_thread;      // last: started when everything else is in place
};

}  // namespace orv
