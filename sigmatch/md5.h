#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sigmatch {

// MD5 message digest as RFC 1321 defines it: feed byte runs of any length, then finish.
class Md5 {
 public:
  using Digest = std::array<std::uint8_t, 16>;

  Md5() { reset(); }

  void update(const void* data, std::size_t size);
  // Returns the digest of everything fed since the last finish and starts afresh.
  Digest finish();

 private:
  void reset();
  void transform(const std::uint8_t* block);

  std::uint32_t m_state[4];
  std::uint64_t m_byteCount;
  std::uint8_t m_buffer[64];
};

// The digest of one byte run.
Md5::Digest md5(const void* data, std::size_t size);

}  // namespace sigmatch
