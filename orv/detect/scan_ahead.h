#pragma once

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <thread>

#include "short_text.h"

namespace orv {

// Walks a folder tree on a thread of its own and looks every file up in the signature
// database ahead of the disk scan, so that listing, reading and hashing overlap with the
// window's work instead of adding to it. The files come out in the walk's order (see
// DirectoryWalker).
//
// A look-up made ahead tells what the file held at that moment; each comes with the count of
// file changes (FileChanges) read just before the file was opened, so that whoever uses it
// can tell whether something may have changed the file since (see DiskScan).
//
// ScanDialers reads the signature database from this thread too: the database must not be
// loaded anew while a walk runs (the program loads it once, at start).
//
// The walk stops to wait while `capacity` files it handed over are still untaken (the scan
// holds at most as many again); it ends when the object goes. A walk that does not end soon
// then (stuck in a folder or file that does not answer, such as a dead network mount) is left
// to end by itself: the object's end never waits for it without bound, and nothing the walk
// still uses goes away under it.
class ScanAhead {
 public:
  using Clock = std::chrono::steady_clock;
  // Looks a file up in the signature database: ScanDialers unless another is given.
  using LookUp = void (*)(ShortText* result, const char* path);

  struct File {
    QByteArray path;
    Clock::time_point lookedUpAt;   // just before the file was opened
    ShortText signature;            // what the look-up answered for it
    std::uint64_t changeCount = 0;  // FileChanges::count() just before the file was opened
  };

  enum class Next { File, Waiting, End };

  static constexpr std::size_t kDefaultCapacity = 256;
  // How long the object's end waits for the walk to finish the file in hand before it leaves
  // the walk to end by itself.
  static constexpr std::chrono::milliseconds kEndWait{200};

  // Starts the walk at once. Throws std::system_error when no thread can be started.
  explicit ScanAhead(const QByteArray& folder, std::size_t capacity = kDefaultCapacity);
  ScanAhead(const QByteArray& folder, std::size_t capacity, LookUp lookUp);
  // Stops the walk; waits at most kEndWait for its thread to finish the file in hand.
  ~ScanAhead();
  ScanAhead(const ScanAhead&) = delete;
  ScanAhead& operator=(const ScanAhead&) = delete;

  // The next file into `file`; Waiting when none came within `wait`; End once the walk is
  // over and every file was handed out. Rethrows what ended the walk early.
  Next next(File& file, std::chrono::milliseconds wait);

  // Walks whose object has gone but whose thread still runs. While there are any, the
  // process must not run its static destructors (the signature database among them): it
  // ends with _exit.
  static int abandonedWalks();

 private:
  struct State;

  std::shared_ptr<State> m_state;  // shared with the walk's thread, which may outlive us
  std::deque<File> m_taken;        // the scan's own, taken from the shared files in one go
  std::thread m_thread;            // last: started when everything else is in place
};

}  // namespace orv
