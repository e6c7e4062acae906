#pragma once

#include "sigmatch/byte_source.h"

namespace sigmatch {

// A regular file opened for reading only. Others may go on reading and writing it; the
// length is taken once, when it is opened.
class PosixFile final : public ByteSource {
 public:
  enum class OpenResult { Opened, Failed, NotRegularFile };

  PosixFile() = default;
  ~PosixFile() override;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  // Anything but a regular file (a folder, a pipe, a device) is refused without being
  // read, so that no path can make a reader block or read an endless stream.
  OpenResult open(const char* path);
  bool isOpen() const { return m_fd >= 0; }
  // The errno of a failed open.
  int openError() const { return m_openError; }

  std::uint64_t size() const override { return m_size; }
  std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;

 private:
  void close();

  int m_fd = -1;
  int m_openError = 0;
  std::uint64_t m_size = 0;
};

}  // namespace sigmatch
