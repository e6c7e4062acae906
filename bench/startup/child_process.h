#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace startupbench {

using Clock = std::chrono::steady_clock;

// A program started with its own environment and ended, at the latest, with the object:
// SIGTERM first (ORV then saves its settings as at a logout), SIGKILL when it does not end.
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return m_pid; }
  Clock::time_point started() const { return m_started; }
  bool running();
  // SIGTERM, then waits up to `grace`; SIGKILL after it. True when it ended by itself.
  bool stop(std::chrono::milliseconds grace);

 private:
  pid_t m_pid = -1;
  bool m_reaped = false;
  Clock::time_point m_started;
};

// What the kernel says about a running process.
double residentMegabytes(pid_t pid);  // VmRSS
double cpuMilliseconds(pid_t pid);    // run time of all its threads so far

// The environment of this program without the variables named, with `extra` added.
std::vector<std::string> environmentWith(const std::vector<std::string>& dropped,
                                         const std::vector<std::string>& extra);

}  // namespace startupbench
