#pragma once

#include <cstddef>

#include "vector_level.h"

namespace codesniff {

// Appends the examined bytes of `in` to `out` in order and returns how many were
// written. `out` must have room for `size` bytes; it may be `in` itself, as no byte is
// written before the input bytes it covers have been read. Uses the processor's vector
// instructions where it has them.
std::size_t filterExamined(const unsigned char* in, std::size_t size, unsigned char* out);

// The same, one byte at a time (what filterExamined falls back to).
std::size_t filterExaminedBytewise(const unsigned char* in, std::size_t size, unsigned char* out);

// The same with the instructions of `level` at most, which the processor must have.
std::size_t filterExaminedAt(VectorLevel level, const unsigned char* in, std::size_t size,
                             unsigned char* out);

}  // namespace codesniff
