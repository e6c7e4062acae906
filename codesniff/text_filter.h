#pragma once

#include <cstddef>

namespace codesniff {

// Appends the examined bytes of `in` to `out` in order and returns how many were
// written. `out` must have room for `size` bytes. Uses the processor's vector
// instructions where it has them.
std::size_t filterExamined(const unsigned char* in, std::size_t size, unsigned char* out);

// The same, one byte at a time (what filterExamined falls back to).
std::size_t filterExaminedBytewise(const unsigned char* in, std::size_t size, unsigned char* out);

}  // namespace codesniff
