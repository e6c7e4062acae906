#pragma once

#include <cstddef>
#include <cstdint>

namespace sigmatch {

// Random-access reads from something with a known length. The signature loader and the
// fingerprint read through this, so that their reaction to a read error or to a file that
// shrinks while it is read can be checked without a failing disk.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // The length in bytes as it was when the source was opened.
  virtual std::uint64_t size() const = 0;
  // Reads up to `count` bytes at `offset`: the number read, 0 at the end, -1 on an error.
  virtual std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// Reads up to `count` bytes, going on after short reads; returns the number read, which
// is less than `count` only at the end of the source or after an error.
std::size_t readUpTo(ByteSource& source, std::uint64_t offset, void* buffer, std::size_t count);

// True when all `count` bytes could be read.
inline bool readFully(ByteSource& source, std::uint64_t offset, void* buffer, std::size_t count) {
  return readUpTo(source, offset, buffer, count) == count;
}

}  // namespace sigmatch
