#include "child_process.h"

#include <dirent.h>
#include <linux/perf_event.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace startupbench {
namespace {

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envp = environment;
  std::vector<char*> argvPointers = pointers(argv);
  std::vector<char*> envPointers = pointers(envp);
  m_started = Clock::now();
  const int error = ::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argvPointers.data(),
                                  envPointers.data());
  if (error != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
}

ChildProcess::~ChildProcess() {
  stop(std::chrono::seconds(10));
}

bool ChildProcess::running() {
  if (m_reaped) return false;
  int status = 0;
  if (::waitpid(m_pid, &status, WNOHANG) == m_pid) m_reaped = true;
  return !m_reaped;
}

bool ChildProcess::stop(std::chrono::milliseconds grace) {
  if (!running()) return true;
  ::kill(m_pid, SIGTERM);
  const Clock::time_point deadline = Clock::now() + grace;
  while (Clock::now() < deadline) {
    if (!running()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(m_pid, SIGKILL);
  ::waitpid(m_pid, nullptr, 0);
  m_reaped = true;
  return false;
}

double residentMegabytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;  // kB
  }
  return 0;
}

double mainThreadMilliseconds(pid_t pid) {
  std::ifstream schedstat("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                          "/schedstat");
  double nanoseconds = 0;
  schedstat >> nanoseconds;
  return nanoseconds / 1e6;
}

static double runningThreadsMilliseconds(pid_t pid) {
  // schedstat's first number is the time a thread ran, in nanoseconds: finer than the
  // clock ticks of /proc/PID/stat, which are 10 ms here.
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* folder = ::opendir(tasks.c_str());
  if (!folder) return 0;
  double nanoseconds = 0;
  while (const dirent* entry = ::readdir(folder)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
    double ran = 0;
    if (schedstat >> ran) nanoseconds += ran;
  }
  ::closedir(folder);
  return nanoseconds / 1e6;
}

ProcessorTime::ProcessorTime(pid_t pid) : m_pid(pid) {
  perf_event_attr attr{};
  attr.type = PERF_TYPE_SOFTWARE;
  attr.size = sizeof attr;
  attr.config = PERF_COUNT_SW_TASK_CLOCK;
  attr.inherit = 1;  // threads started later, summed in when they end
  m_fd = static_cast<int>(::syscall(SYS_perf_event_open, &attr, pid, -1, -1, PERF_FLAG_FD_CLOEXEC));
}

ProcessorTime::~ProcessorTime() {
  if (m_fd >= 0) ::close(m_fd);
}

double ProcessorTime::milliseconds() const {
  std::uint64_t nanoseconds = 0;
  if (m_fd >= 0 && ::read(m_fd, &nanoseconds, sizeof nanoseconds) == sizeof nanoseconds)
    return static_cast<double>(nanoseconds) / 1e6;
  return runningThreadsMilliseconds(m_pid);
}

std::vector<std::string> environmentWith(const std::vector<std::string>& dropped,
                                         const std::vector<std::string>& extra) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    bool drop = false;
    for (const std::string& d : dropped) drop = drop || name == d;
    if (!drop) result.push_back(text);
  }
  result.insert(result.end(), extra.begin(), extra.end());
  return result;
}

}  // namespace startupbench
