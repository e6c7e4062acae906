#include "sigmatch/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>

namespace sigmatch {

PosixFile::~PosixFile() {
  close();
}

void PosixFile::close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_size = 0;
}

PosixFile::OpenResult PosixFile::open(const char* path) {
  close();
  m_openError = 0;
  if (path == nullptr) {
    m_openError = EINVAL;
    return OpenResult::Failed;
  }
  // O_NONBLOCK keeps the open of a pipe without writer from waiting; it does not change
  // how a regular file is read.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    m_openError = errno;
    return OpenResult::Failed;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    m_openError = errno;
    ::close(fd);
    return OpenResult::Failed;
  }
  if (!S_ISREG(info.st_mode)) {
    m_openError = S_ISDIR(info.st_mode) ? EISDIR : 0;
    ::close(fd);
    return OpenResult::NotRegularFile;
  }
  m_fd = fd;
  m_size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  return OpenResult::Opened;
}

std::int64_t PosixFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (m_fd < 0 || offset > static_cast<std::uint64_t>(LLONG_MAX)) return -1;
  for (;;) {
    const ssize_t n = ::pread(m_fd, buffer, count, static_cast<off_t>(offset));
    if (n >= 0) return n;
    if (errno != EINTR) return -1;
  }
}

}  // namespace sigmatch
