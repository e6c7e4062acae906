#include "sigmatch/descriptor_source.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace sigmatch {

std::int64_t readAtDescriptor(int fd, std::uint64_t offset, void* buffer, std::size_t count) {
  if (fd < 0 || offset > static_cast<std::uint64_t>(LLONG_MAX)) return -1;
  for (;;) {
    const ssize_t n = ::pread(fd, buffer, count, static_cast<off_t>(offset));
    if (n >= 0) return n;
    if (errno != EINTR) return -1;
  }
}

std::int64_t DescriptorSource::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset < m_headLength && count <= m_headLength - offset) {
    std::memcpy(buffer, m_head + offset, count);
    return static_cast<std::int64_t>(count);
  }
  return readAtDescriptor(m_fd, offset, buffer, count);
}

}  // namespace sigmatch
