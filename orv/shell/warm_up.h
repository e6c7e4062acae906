#pragma once

#include <functional>
#include <thread>

namespace orv {

// Runs work whose only effect is to fill a cache (the font configuration, the dial-up
// service's first look at the processes) on a thread of its own while the main thread builds
// the window. wait() before the main thread first uses what the work prepares: that use then
// finds the work done instead of doing it a second time beside it. Where no thread can be had,
// nothing runs and the first use does the work as without this. A failure of the work is
// dropped: the real call meets it again and reports it.
class WarmUp {
 public:
  explicit WarmUp(std::function<void()> work);
  ~WarmUp();
  WarmUp(const WarmUp&) = delete;
  WarmUp& operator=(const WarmUp&) = delete;

  void wait();

 private:
  std::thread m_thread;
};

}  // namespace orv
