#include "file_reader.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "regular_file.h"

namespace codesniff {

bool isKernelFileSystem(int fd) {
  struct statfs info {};
  if (::fstatfs(fd, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case EFIVARFS_MAGIC:
      return true;
    default:
      return false;
  }
}

FileReader::FileReader(const char* path, bool skipHoles) {
  struct stat info;
  orv::UniqueFd fd = orv::openRegularFile(path, info);
  if (!fd || info.st_size < 0 || isKernelFileSystem(fd.get())) return;
  m_fd = std::move(fd);
  m_size = static_cast<std::uint64_t>(info.st_size);
  // Only a file with fewer blocks than its length can have holes worth looking for.
  m_skipHoles = skipHoles && static_cast<std::uint64_t>(info.st_blocks) * 512 < m_size;
}

void FileReader::skipToData() {
  const off_t next = ::lseek(m_fd.get(), static_cast<off_t>(m_position), SEEK_DATA);
  if (next >= 0) {
    m_position = std::max(m_position, static_cast<std::uint64_t>(next));
  } else if (errno == ENXIO) {
    m_position = m_size;  // only a hole is left
  } else {
    m_skipHoles = false;  // the file system cannot tell: read everything
  }
}

std::ptrdiff_t FileReader::read(unsigned char* buffer, std::size_t capacity) {
  if (!m_fd) return -1;
  if (m_skipHoles) skipToData();
  if (m_position >= m_size) return 0;
  const std::size_t want = static_cast<std::size_t>(
      std::min<std::uint64_t>(std::min<std::size_t>(capacity, SSIZE_MAX), m_size - m_position));
  for (;;) {
    const ssize_t got = ::pread(m_fd.get(), buffer, want, static_cast<off_t>(m_position));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    m_position += static_cast<std::uint64_t>(got);
    return got;
  }
}

}  // namespace codesniff
