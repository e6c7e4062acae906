#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

// A child process the test starts; killed and reaped when it goes out of scope.
class SpawnedChild {
 public:
  explicit SpawnedChild(const std::string& program, const std::vector<std::string>& args = {}) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    // posix_spawn returns once the program runs (or failed to start).
    if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
      m_pid = -1;
    // posix_spawn may return while the kernel still builds the new image; a child that has
    // reached its wait is complete.
    if (m_pid > 0) waitUntilAsleep();
  }
  ~SpawnedChild() { kill(); }
  SpawnedChild(const SpawnedChild&) = delete;
  SpawnedChild& operator=(const SpawnedChild&) = delete;

  bool started() const { return m_pid > 0; }
  pid_t pid() const { return m_pid; }
  std::uint32_t id() const { return static_cast<std::uint32_t>(m_pid); }

  // Waits up to `limitMs` for the child to end; true when it has ended (and is reaped).
  bool waitForEnd(int limitMs = 20000) {
    if (m_reaped) return true;
    for (int waited = 0; waited <= limitMs; waited += 5) {
      const pid_t done = ::waitpid(m_pid, &m_status, WNOHANG);
      if (done == m_pid) {
        m_reaped = true;
        return true;
      }
      const timespec pause{0, 5'000'000};
      ::nanosleep(&pause, nullptr);
    }
    return false;
  }
  bool killedBy(int signal) const {
    return m_reaped && WIFSIGNALED(m_status) && WTERMSIG(m_status) == signal;
  }
  // Still running: not ended (an ended but unreaped child counts as ended).
  bool running() {
    if (m_reaped) return false;
    const pid_t done = ::waitpid(m_pid, &m_status, WNOHANG);
    if (done == m_pid) m_reaped = true;
    return !m_reaped;
  }
  void kill() {
    if (m_pid <= 0 || m_reaped) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &m_status, 0);
    m_reaped = true;
  }

 private:
  void waitUntilAsleep() {
    const std::string stat = "/proc/" + std::to_string(m_pid) + "/stat";
    for (int i = 0; i < 4000; ++i) {
      if (std::FILE* f = std::fopen(stat.c_str(), "r")) {
        char line[512] = {};
        const std::size_t n = std::fread(line, 1, sizeof line - 1, f);
        std::fclose(f);
        const char* close = std::strrchr(line, ')');
        if (n > 0 && close != nullptr && close[1] == ' ' && close[2] == 'S') return;
      }
      const timespec pause{0, 2'000'000};
      ::nanosleep(&pause, nullptr);
    }
  }

  pid_t m_pid = -1;
  int m_status = 0;
  bool m_reaped = false;
};
