#include "sigmatch/md5.h"

#include <algorithm>
#include <cstring>

namespace sigmatch {
namespace {

inline std::uint32_t rotateLeft(std::uint32_t x, unsigned n) {
  return (x << n) | (x >> (32 - n));
}

// Three of the four auxiliary functions of RFC 1321, in forms with one operation fewer
// (the second one is in stepG).
inline std::uint32_t roundF(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return z ^ (x & (y ^ z));
}
inline std::uint32_t roundH(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return x ^ y ^ z;
}
inline std::uint32_t roundI(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return y ^ (x | ~z);
}

// One step: a = b + ((a + fn(b, c, d) + word + constant) <<< shift). Each step waits for
// the one before through b; what does not depend on b is added first, so that it is done
// by the time b is there.
template <std::uint32_t (*Fn)(std::uint32_t, std::uint32_t, std::uint32_t)>
inline void step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                 std::uint32_t word, std::uint32_t constant, unsigned shift) {
  a = b + rotateLeft(a + (word + constant) + Fn(b, c, d), shift);
}

// The second round's function, G(b, c, d) = (b & d) | (c & ~d): the two parts share no bit,
// so they may be added, and the part without b goes first.
inline void stepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t word, std::uint32_t constant, unsigned shift) {
  a = b + rotateLeft(a + (word + constant) + (c & ~d) + (b & d), shift);
}

}  // namespace

void Md5::reset() {
  m_state[0] = 0x67452301;
  m_state[1] = 0xefcdab89;
  m_state[2] = 0x98badcfe;
  m_state[3] = 0x10325476;
  m_byteCount = 0;
  std::memset(m_buffer, 0, sizeof m_buffer);
}

void Md5::transform(const std::uint8_t* block) {
  std::uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    // The message words are little-endian, whatever the machine.
    x[i] = std::uint32_t(block[4 * i]) | std::uint32_t(block[4 * i + 1]) << 8 |
           std::uint32_t(block[4 * i + 2]) << 16 | std::uint32_t(block[4 * i + 3]) << 24;
  }
  std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
  // Round 1.
  step<roundF>(a, b, c, d, x[0], 0xd76aa478, 7);
  step<roundF>(d, a, b, c, x[1], 0xe8c7b756, 12);
  step<roundF>(c, d, a, b, x[2], 0x242070db, 17);
  step<roundF>(b, c, d, a, x[3], 0xc1bdceee, 22);
  step<roundF>(a, b, c, d, x[4], 0xf57c0faf, 7);
  step<roundF>(d, a, b, c, x[5], 0x4787c62a, 12);
  step<roundF>(c, d, a, b, x[6], 0xa8304613, 17);
  step<roundF>(b, c, d, a, x[7], 0xfd469501, 22);
  step<roundF>(a, b, c, d, x[8], 0x698098d8, 7);
  step<roundF>(d, a, b, c, x[9], 0x8b44f7af, 12);
  step<roundF>(c, d, a, b, x[10], 0xffff5bb1, 17);
  step<roundF>(b, c, d, a, x[11], 0x895cd7be, 22);
  step<roundF>(a, b, c, d, x[12], 0x6b901122, 7);
  step<roundF>(d, a, b, c, x[13], 0xfd987193, 12);
  step<roundF>(c, d, a, b, x[14], 0xa679438e, 17);
  step<roundF>(b, c, d, a, x[15], 0x49b40821, 22);
  // Round 2.
  stepG(a, b, c, d, x[1], 0xf61e2562, 5);
  stepG(d, a, b, c, x[6], 0xc040b340, 9);
  stepG(c, d, a, b, x[11], 0x265e5a51, 14);
  stepG(b, c, d, a, x[0], 0xe9b6c7aa, 20);
  stepG(a, b, c, d, x[5], 0xd62f105d, 5);
  stepG(d, a, b, c, x[10], 0x02441453, 9);
  stepG(c, d, a, b, x[15], 0xd8a1e681, 14);
  stepG(b, c, d, a, x[4], 0xe7d3fbc8, 20);
  stepG(a, b, c, d, x[9], 0x21e1cde6, 5);
  stepG(d, a, b, c, x[14], 0xc33707d6, 9);
  stepG(c, d, a, b, x[3], 0xf4d50d87, 14);
  stepG(b, c, d, a, x[8], 0x455a14ed, 20);
  stepG(a, b, c, d, x[13], 0xa9e3e905, 5);
  stepG(d, a, b, c, x[2], 0xfcefa3f8, 9);
  stepG(c, d, a, b, x[7], 0x676f02d9, 14);
  stepG(b, c, d, a, x[12], 0x8d2a4c8a, 20);
  // Round 3.
  step<roundH>(a, b, c, d, x[5], 0xfffa3942, 4);
  step<roundH>(d, a, b, c, x[8], 0x8771f681, 11);
  step<roundH>(c, d, a, b, x[11], 0x6d9d6122, 16);
  step<roundH>(b, c, d, a, x[14], 0xfde5380c, 23);
  step<roundH>(a, b, c, d, x[1], 0xa4beea44, 4);
  step<roundH>(d, a, b, c, x[4], 0x4bdecfa9, 11);
  step<roundH>(c, d, a, b, x[7], 0xf6bb4b60, 16);
  step<roundH>(b, c, d, a, x[10], 0xbebfbc70, 23);
  step<roundH>(a, b, c, d, x[13], 0x289b7ec6, 4);
  step<roundH>(d, a, b, c, x[0], 0xeaa127fa, 11);
  step<roundH>(c, d, a, b, x[3], 0xd4ef3085, 16);
  step<roundH>(b, c, d, a, x[6], 0x04881d05, 23);
  step<roundH>(a, b, c, d, x[9], 0xd9d4d039, 4);
  step<roundH>(d, a, b, c, x[12], 0xe6db99e5, 11);
  step<roundH>(c, d, a, b, x[15], 0x1fa27cf8, 16);
  step<roundH>(b, c, d, a, x[2], 0xc4ac5665, 23);
  // Round 4.
  step<roundI>(a, b, c, d, x[0], 0xf4292244, 6);
  step<roundI>(d, a, b, c, x[7], 0x432aff97, 10);
  step<roundI>(c, d, a, b, x[14], 0xab9423a7, 15);
  step<roundI>(b, c, d, a, x[5], 0xfc93a039, 21);
  step<roundI>(a, b, c, d, x[12], 0x655b59c3, 6);
  step<roundI>(d, a, b, c, x[3], 0x8f0ccc92, 10);
  step<roundI>(c, d, a, b, x[10], 0xffeff47d, 15);
  step<roundI>(b, c, d, a, x[1], 0x85845dd1, 21);
  step<roundI>(a, b, c, d, x[8], 0x6fa87e4f, 6);
  step<roundI>(d, a, b, c, x[15], 0xfe2ce6e0, 10);
  step<roundI>(c, d, a, b, x[6], 0xa3014314, 15);
  step<roundI>(b, c, d, a, x[13], 0x4e0811a1, 21);
  step<roundI>(a, b, c, d, x[4], 0xf7537e82, 6);
  step<roundI>(d, a, b, c, x[11], 0xbd3af235, 10);
  step<roundI>(c, d, a, b, x[2], 0x2ad7d2bb, 15);
  step<roundI>(b, c, d, a, x[9], 0xeb86d391, 21);
  m_state[0] += a;
  m_state[1] += b;
  m_state[2] += c;
  m_state[3] += d;
}

void Md5::update(const void* data, std::size_t size) {
  auto bytes = static_cast<const std::uint8_t*>(data);
  std::size_t used = m_byteCount % 64;
  m_byteCount += size;
  if (used > 0) {
    const std::size_t take = std::min<std::size_t>(64 - used, size);
    std::memcpy(m_buffer + used, bytes, take);
    bytes += take;
    size -= take;
    used += take;
    if (used < 64) return;
    transform(m_buffer);
  }
  for (; size >= 64; bytes += 64, size -= 64) transform(bytes);
  if (size > 0) std::memcpy(m_buffer, bytes, size);
}

Md5::Digest Md5::finish() {
  const std::uint64_t bitCount = m_byteCount * 8;
  // Pad with a one bit, zeros up to 56 mod 64, then the message length in bits.
  std::uint8_t padding[72] = {0x80};
  const std::size_t used = m_byteCount % 64;
  const std::size_t padLength = used < 56 ? 56 - used : 120 - used;
  update(padding, padLength);
  std::uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = std::uint8_t(bitCount >> (8 * i));
  update(length, 8);

  Digest digest;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = std::uint8_t(m_state[i] >> (8 * j));
  }
  reset();
  return digest;
}

Md5::Digest md5(const void* data, std::size_t size) {
  Md5 hash;
  hash.update(data, size);
  return hash.finish();
}

}  // namespace sigmatch
