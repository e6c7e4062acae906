#pragma once

namespace codesniff {

// The vector instructions the examination can use, each level including the ones below.
// The filter and the marker search come in a version per level they gain from; tests run
// every version the processor has.
enum class VectorLevel {
  None,    // byte by byte
  Ssse3,   // 16 bytes at a time, with byte shuffles
  Avx2,    // 32 bytes at a time
  Avx512,  // 64 bytes at a time, with byte lookups and compression (AVX-512 BW, VBMI, VBMI2)
};

// The highest level this processor has, asked once.
VectorLevel processorVectorLevel();

}  // namespace codesniff
