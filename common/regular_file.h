#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "unique_fd.h"

namespace orv {

// Opens `path` for reading when it names a regular file, and opens nothing else: opening a
// device can itself have effects (a tape rewinds, a terminal is taken over) and opening a
// fifo waits for a writer. `info` describes the open file. On failure the result is empty
// and errno tells why; `info.st_mode` is then 0 unless the path names something that is not
// a regular file (a folder, a device, a fifo).
inline UniqueFd openRegularFile(const char* path, struct stat& info) {
  info = {};
  if (path == nullptr) {
    errno = EINVAL;
    return {};
  }
  if (::stat(path, &info) != 0) {
    info = {};
    return {};
  }
  if (!S_ISREG(info.st_mode)) return {};
  // Non-blocking and never the controlling terminal, in case the path was swapped for
  // something else in between; fstat has the last word. A regular file reads the same.
  UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) {
    info = {};
    return {};
  }
  if (::fstat(fd.get(), &info) != 0) {
    info = {};
    return {};
  }
  if (!S_ISREG(info.st_mode)) return {};
  return fd;
}

}  // namespace orv
