#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "child_process.h"

struct xcb_connection_t;

namespace startupbench {

// When a program's window came up, as the X server saw it.
struct WindowShown {
  Clock::time_point mapAsked;  // the program asked for its window to be shown
  Clock::time_point painted;   // its first drawing into that window after the map
  int width = 0;
  int height = 0;
};

// Watches a display as its window manager would: every top-level window is shown only by
// this watch (substructure redirection), which first sets up a damage record on it. So the
// first drawing a program makes into its window is seen from outside, whatever the program
// says about itself, and without a race between the map and the watch.
class FirstPaintWatch {
 public:
  // Throws std::runtime_error when the display cannot be opened, lacks the DAMAGE extension,
  // or has another window manager.
  explicit FirstPaintWatch(const std::string& display);
  ~FirstPaintWatch();
  FirstPaintWatch(const FirstPaintWatch&) = delete;
  FirstPaintWatch& operator=(const FirstPaintWatch&) = delete;

  // Waits until the process `pid` has mapped a top-level window and drawn into it, up to
  // `deadline`; empty when that did not happen in time or the process ended.
  std::optional<WindowShown> waitForFirstPaint(ChildProcess& process, Clock::time_point deadline);
  // Handles what windows ask for (configure, map) until `until`, so that a program never
  // waits for this watch.
  void serve(Clock::time_point until);

 private:
  struct Pending;
  bool handle(void* event, Pending* pending, pid_t pid);
  pid_t windowPid(unsigned window);

  xcb_connection_t* m_connection = nullptr;
  unsigned m_root = 0;
  unsigned m_pidAtom = 0;
  unsigned m_damageEventBase = 0;
};

}  // namespace startupbench
