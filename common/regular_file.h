#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "unique_fd.h"

namespace orv {

// Opens `path` for reading, keeping it only when it is a regular file, for a path that a
// folder listing has just shown to be one: it is opened without a look at it first. Should
// it have been replaced by something else since, the open neither waits (a fifo) nor takes
// the terminal, and fstat has the last word. Results as openRegularFile's.
inline UniqueFd openListedRegularFile(const char* path, struct stat& info) {
  UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd || ::fstat(fd.get(), &info) != 0) {
    info = {};
    return {};
  }
  if (!S_ISREG(info.st_mode)) return {};
  return fd;
}

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
  // In case the path was swapped for something else in between.
  return openListedRegularFile(path, info);
}

}  // namespace orv
