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
// The run time of its main thread alone: the length of the start's own path, whatever its
// other threads do beside it.
double mainThreadMilliseconds(pid_t pid);

// The processor time of a process and of every thread it starts, also of those that have
// ended (a thread that loads something and ends is counted): the kernel's task clock,
// attached right after the start. Where that cannot be had, the run time of the threads that
// still run.
class ProcessorTime {
 public:
  explicit ProcessorTime(pid_t pid);
  ~ProcessorTime();
  ProcessorTime(const ProcessorTime&) = delete;
  ProcessorTime& operator=(const ProcessorTime&) = delete;

  double milliseconds() const;

 private:
  pid_t m_pid;
  int m_fd = -1;
};

// The environment of this program without the variables named, with `extra` added.
std::vector<std::string> environmentWith(const std::vector<std::string>& dropped,
                                         const std::vector<std::string>& extra);

}  // namespace startupbench
