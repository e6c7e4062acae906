#include "sigmatch/posix_file.h"

#include <cerrno>

#include "regular_file.h"
#include "sigmatch/descriptor_source.h"

namespace sigmatch {

PosixFile::OpenResult PosixFile::open(const char* path) {
  m_size = 0;
  struct stat info;
  m_fd = orv::openRegularFile(path, info);
  if (m_fd) {
    m_openError = 0;
    m_size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    return OpenResult::Opened;
  }
  if (info.st_mode == 0) {
    m_openError = errno;
    return OpenResult::Failed;
  }
  m_openError = S_ISDIR(info.st_mode) ? EISDIR : 0;
  return OpenResult::NotRegularFile;
}

std::int64_t PosixFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
  return readAtDescriptor(m_fd.get(), offset, buffer, count);
}

}  // namespace sigmatch
