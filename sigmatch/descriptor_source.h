#pragma once

#include <cstddef>
#include <cstdint>

#include "sigmatch/byte_source.h"

namespace sigmatch {

// Reads at `offset` from the open file `fd`, going on after an interrupted call: the count,
// 0 at the end, -1 on an error.
std::int64_t readAtDescriptor(int fd, std::uint64_t offset, void* buffer, std::size_t count);

// A file the caller has opened and keeps open, so that one open serves the fingerprint and
// whatever else the caller reads; `size` is its length when it was opened. The first
// `headLength` bytes may have been read into `head` already: reads inside them are served
// from there, the others from the file.
class DescriptorSource final : public ByteSource {
 public:
  DescriptorSource(int fd, std::uint64_t size, const unsigned char* head = nullptr,
                   std::size_t headLength = 0)
      : m_fd(fd), m_size(size), m_head(head), m_headLength(head ? headLength : 0) {}

  std::uint64_t size() const override { return m_size; }
  std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;

 private:
  int m_fd;
  std::uint64_t m_size;
  const unsigned char* m_head;
  std::size_t m_headLength;
};

}  // namespace sigmatch
