#pragma once

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>

#include "unique_fd.h"

namespace orv::ras {

// A handle on one process that stays with it: a signal sent through it can never reach a
// later process that was given the same pid.
inline UniqueFd openPidfd(std::uint32_t pid) {
  if (pid == 0 || pid > 0x7FFFFFFFU) {
    errno = ESRCH;
    return UniqueFd();
  }
  return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0U)));
}

// 0, or the errno of the failure (EPERM: not ours to signal; ESRCH: it has ended).
inline int signalThrough(const UniqueFd& pidfd, int signal) {
  if (::syscall(SYS_pidfd_send_signal, pidfd.get(), signal, nullptr, 0U) == 0) return 0;
  return errno;
}

}  // namespace orv::ras
