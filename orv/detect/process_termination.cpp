#include "detect/process_termination.h"

#include <cerrno>
#include <csignal>

#include <sys/syscall.h>
#include <unistd.h>

#include "unique_fd.h"

namespace orv {
namespace {

// A process handle: it keeps naming the same process even when the id is given to another one.
class PidFd {
 public:
  explicit PidFd(std::uint32_t pid) {
#ifdef SYS_pidfd_open
    m_fd = UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0)));
    m_error = m_fd ? 0 : errno;
#else
    (void)pid;
    m_error = ENOSYS;
#endif
  }
  bool valid() const {
    return bool(m_fd);
  }
  // The kernel has no process handles (older than 5.3): fall back to the id alone.
  bool unsupported() const {
    return m_error == ENOSYS;
  }
  bool kill() const {
#ifdef SYS_pidfd_send_signal
    return ::syscall(SYS_pidfd_send_signal, m_fd.get(), SIGKILL, nullptr, 0) == 0;
#else
    return false;
#endif
  }

 private:
  UniqueFd m_fd;
  int m_error = 0;
};

}  // namespace

bool terminateProcess(std::uint32_t pid, const ProcessIdentity& examined) {
  // 0 and ids beyond the kernel's range would name process groups to kill().
  if (pid == 0 || pid > 0x7FFFFFFFU) return false;
  // Take the handle first, then check who it is: a handle taken while the id still named the
  // examined process names it for good, so the check cannot be outrun by a new process.
  const PidFd handle(pid);
  if (!handle.valid() && !handle.unsupported()) return false;
  const auto current = readProcessIdentity(pid);
  if (!current || *current != examined) return false;
  if (handle.valid()) return handle.kill();
  return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

}  // namespace orv
