#pragma once

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "sigmatch/byte_source.h"

namespace sigtest {

// A file whose reads can be made to come short, fail, or deliver less than its length
// promised (as when a file shrinks after it was opened).
class FakeSource : public sigmatch::ByteSource {
 public:
  explicit FakeSource(std::string content) : m_content(std::move(content)) {
    m_size = m_content.size();
  }

  FakeSource& claimSize(std::uint64_t size) {
    m_size = size;
    return *this;
  }
  FakeSource& failReadsFrom(std::uint64_t offset) {
    m_failFrom = offset;
    return *this;
  }
  FakeSource& maxBytesPerRead(std::size_t count) {
    m_maxPerRead = count;
    return *this;
  }

  std::uint64_t size() const override { return m_size; }
  std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
    if (offset + count > m_failFrom) {
      if (offset >= m_failFrom) return -1;
      count = static_cast<std::size_t>(m_failFrom - offset);
    }
    if (offset >= m_content.size()) return 0;
    const std::size_t n = std::min({count, m_maxPerRead, m_content.size() - std::size_t(offset)});
    std::memcpy(buffer, m_content.data() + offset, n);
    return static_cast<std::int64_t>(n);
  }

 private:
  std::string m_content;
  std::uint64_t m_size = 0;
  std::uint64_t m_failFrom = std::numeric_limits<std::uint64_t>::max();
  std::size_t m_maxPerRead = std::numeric_limits<std::size_t>::max();
};

}  // namespace sigtest
