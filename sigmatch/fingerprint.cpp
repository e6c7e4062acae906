#include "sigmatch/fingerprint.h"

#include <array>

#include "sigmatch/md5.h"
#include "sigmatch/posix_file.h"

namespace sigmatch {
namespace {

constexpr std::uint32_t kChunkSize = 1024;
constexpr std::uint64_t kFrontChunkOffset = 4096;
constexpr std::uint64_t kFrontChunkMinSize = 5121;

FingerprintText toHex(const Md5::Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  FingerprintText text;
  for (std::size_t i = 0; i < digest.size(); ++i) {
    text.chars[2 * i] = kDigits[digest[i] >> 4];
    text.chars[2 * i + 1] = kDigits[digest[i] & 0x0f];
  }
  text.length = 32;
  return text;
}

}  // namespace

FingerprintChunks fingerprintChunks(std::uint64_t size) {
  FingerprintChunks plan;
  if (size >= kFrontChunkMinSize) plan.chunks[plan.count++] = {kFrontChunkOffset, kChunkSize};
  if (size < kChunkSize) {
    plan.chunks[plan.count++] = {0, static_cast<std::uint32_t>(size)};
  } else {
    const std::uint64_t half = size / 2;
    const auto length = static_cast<std::uint32_t>(half < kChunkSize ? half : kChunkSize);
    plan.chunks[plan.count++] = {half, length};
  }
  return plan;
}

bool isExecutableSignature(unsigned char first, unsigned char second) {
  return (first == 'M' && second == 'Z') || (first == 'Z' && second == 'M');
}

FingerprintText computeFingerprint(ByteSource& file) {
  const std::uint64_t size = file.size();
  unsigned char head[2];
  if (size < 2 || !readFully(file, 0, head, 2) || !isExecutableSignature(head[0], head[1])) {
    return {};
  }
  std::array<unsigned char, kChunkSize> buffer;
  Md5 hash;
  const FingerprintChunks plan = fingerprintChunks(size);
  for (int i = 0; i < plan.count; ++i) {
    const auto& chunk = plan.chunks[i];
    if (!readFully(file, chunk.offset, buffer.data(), chunk.length)) return {};
    hash.update(buffer.data(), chunk.length);
  }
  return toHex(hash.finish());
}

FingerprintText computeFingerprint(const char* path) {
  PosixFile file;
  if (file.open(path) != PosixFile::OpenResult::Opened) return {};
  return computeFingerprint(file);
}

}  // namespace sigmatch
