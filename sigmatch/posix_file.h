#pragma once

#include "sigmatch/byte_source.h"
#include "unique_fd.h"

namespace sigmatch {

// A regular file opened for reading only. Others may go on reading and writing it; the
// length is taken once, when it is opened.
class PosixFile final : public ByteSource {
 public:
  enum class OpenResult { Opened, Failed, NotRegularFile };

  // Anything but a regular file (a folder, a pipe, a device) is refused without being
  // opened, so that no path can make a reader block, read an endless stream or wake a device.
  OpenResult open(const char* path);
  // The errno of a failed open.
  int openError() const { return m_openError; }

  std::uint64_t size() const override { return m_size; }
  std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;

 private:
  orv::UniqueFd m_fd;
  int m_openError = 0;
  std::uint64_t m_size = 0;
};

}  // namespace sigmatch
