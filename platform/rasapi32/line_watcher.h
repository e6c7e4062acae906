#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "unique_fd.h"

namespace orv::ras {

// Who hears about a dial's progress: the caller's notifier with its kind (1 or 2) and the
// values a RasDialFunc2 gets back.
struct DialNotifier {
  std::uint32_t kind = 0;
  void* function = nullptr;
  std::uint32_t callbackId = 0;
  std::uint32_t subEntry = 0;
};

// The service's one thread. It
//  - reaps the pppd processes the service started (they are its children until it ends),
//  - reports a dial's progress to the notifier (port opened, dialling, connected, or
//    disconnected with the reason pppd gave when it ended first),
//  - ends a hung-up pppd with SIGKILL when it has not gone by its deadline.
// It starts with the first task and is stopped and joined when the library is unloaded.
class LineWatcher {
 public:
  LineWatcher() = default;
  ~LineWatcher();
  LineWatcher(const LineWatcher&) = delete;
  LineWatcher& operator=(const LineWatcher&) = delete;

  // A pppd started by the service: `pidfd` names it; it is reaped when it ends.
  void watchDial(UniqueFd pidfd, pid_t pid, const std::string& runDir, DialNotifier notifier);
  // A pppd sent SIGTERM: SIGKILL through `pidfd` unless it has ended `after` from now.
  void killUnlessEnded(UniqueFd pidfd, pid_t pid, std::chrono::milliseconds after);

 private:
  using Clock = std::chrono::steady_clock;
  struct Watch {
    UniqueFd pidfd;
    pid_t pid = 0;
    bool ownChild = false;
    std::string runDir;
    DialNotifier notifier;
    bool progressDone = true;  // connected, failed, or nobody to tell
    bool startReported = false;
    bool killPending = false;
    Clock::time_point killAt;
  };
  struct Notice {
    DialNotifier notifier;
    pid_t pid;
    std::uint32_t state;
    std::uint32_t error;
  };

  void add(Watch watch);
  void run();
  void ended(Watch& watch, std::vector<Notice>& notices);
  static bool tell(const Notice& notice);

  std::mutex m_mutex;
  std::vector<Watch> m_incoming;  // handed over to the thread under the mutex
  bool m_stop = false;
  UniqueFd m_wake;  // an eventfd that interrupts the thread's wait
  std::thread m_thread;
};

}  // namespace orv::ras
