#pragma once

#include <cstdint>

#include "sigmatch/byte_source.h"
#include "sigmatch/fixed_text.h"

namespace sigmatch {

// 32 lower-case hexadecimal digits, or empty for a file without a fingerprint.
using FingerprintText = FixedText<32>;

// The bytes of a file that the fingerprint hashes, in order.
struct FingerprintChunks {
  struct Chunk {
    std::uint64_t offset = 0;
    std::uint32_t length = 0;
  };
  Chunk chunks[2];
  int count = 0;
};

// The chunk rule for an executable of `size` bytes (size >= 2): the 1024 bytes at 4096 when
// the file is larger than 5120 bytes, then the whole file below 1024 bytes, else up to 1024
// bytes from the middle. Sizes are 64-bit so that files of 2 GiB and more follow the same rule.
FingerprintChunks fingerprintChunks(std::uint64_t size);

// The first bytes of a file hold the type test and the front chunk, and every chunk of a
// file up to 8 KiB: a caller that reads them at once saves the fingerprint reads of its own.
constexpr std::uint64_t kFingerprintHeadSize = 5120;

// True for the two-byte signatures of an executable, "MZ" and "ZM".
bool isExecutableSignature(unsigned char first, unsigned char second);

// The fingerprint of a file: the MD5 digest of its chunks as text. Empty when the file
// cannot be opened, is not a regular file, is not an executable, or when a chunk cannot be
// read in full (the file shrank or the read failed): an incomplete read must never yield
// the digest of bytes the file does not hold.
FingerprintText computeFingerprint(ByteSource& file);
FingerprintText computeFingerprint(const char* path);

}  // namespace sigmatch
