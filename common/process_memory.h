#pragma once

#include <sys/uio.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace orv {

// Copies `length` bytes at `address` in process `pid` into `buffer`: true only when every
// byte was read (the process may not be ours to read, or may have ended meanwhile). On false,
// errno tells why: EPERM when the kernel forbids it (rights, or Yama's ptrace_scope).
inline bool readProcessMemory(std::uint32_t pid, std::uint64_t address, void* buffer,
                              std::size_t length) {
  // 0 and ids beyond the kernel's range name no single process.
  if (pid == 0 || pid > 0x7FFFFFFFU) {
    errno = ESRCH;
    return false;
  }
  auto* out = static_cast<unsigned char*>(buffer);
  while (length > 0) {
    iovec local{out, length};
    iovec remote{reinterpret_cast<void*>(static_cast<std::uintptr_t>(address)), length};
    const ssize_t n = ::process_vm_readv(static_cast<pid_t>(pid), &local, 1, &remote, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;  // a block that ends early
    if (n <= 0) return false;
    out += n;
    address += static_cast<std::uint64_t>(n);
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace orv
