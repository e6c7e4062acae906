#pragma once

#include <thread>

namespace orv {

// Reads the font configuration and the font caches, the costliest part of the first text a
// program shows, on a thread of its own while the application connects to the display.
// wait() before the first widget is made: the font database then finds the work done
// instead of doing it a second time beside it.
class FontWarmUp {
 public:
  FontWarmUp();
  ~FontWarmUp();
  FontWarmUp(const FontWarmUp&) = delete;
  FontWarmUp& operator=(const FontWarmUp&) = delete;

  void wait();

 private:
  std::thread m_thread;
};

}  // namespace orv
