#include "text_filter.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CODESNIFF_HAVE_X86_PATHS 1
#endif

namespace codesniff {
namespace {

constexpr std::array<unsigned char, 256> makeKeepTable() {
  std::array<unsigned char, 256> keep{};
  for (int c = '0'; c <= '9'; ++c) keep[c] = 1;
  for (int c = 'A'; c <= 'Z'; ++c) keep[c] = 1;
  for (int c = 'a'; c <= 'z'; ++c) keep[c] = 1;
  return keep;
}

constexpr std::array<unsigned char, 256> kKeep = makeKeepTable();

#ifdef CODESNIFF_HAVE_X86_PATHS
// For each 8-bit mask, the byte shuffle that packs the marked bytes of 8 to the front.
constexpr std::array<std::uint64_t, 256> makePackTable() {
  std::array<std::uint64_t, 256> pack{};
  for (unsigned mask = 0; mask < 256; ++mask) {
    std::uint64_t shuffle = 0;
    unsigned to = 0;
    for (unsigned from = 0; from < 8; ++from)
      if (mask & (1u << from)) shuffle |= std::uint64_t{from} << (8 * to++);
    pack[mask] = shuffle;
  }
  return pack;
}

constexpr std::array<std::uint64_t, 256> kPack = makePackTable();

// 16 bytes at a time: classify with range compares, pack the kept bytes of each half
// with one shuffle and one 8-byte store. Stores never pass the input position, so
// `out` needs no more room than the bytewise loop.
__attribute__((target("ssse3,popcnt"))) std::size_t filterSsse3(const unsigned char* in,
                                                                std::size_t size,
                                                                unsigned char* out) {
  const __m128i digitShift = _mm_set1_epi8(static_cast<char>(0x80 - '0'));
  const __m128i digitLimit = _mm_set1_epi8(static_cast<char>(-128 + 10));
  const __m128i lowerCase = _mm_set1_epi8(0x20);
  const __m128i letterShift = _mm_set1_epi8(static_cast<char>(0x80 - 'a'));
  const __m128i letterLimit = _mm_set1_epi8(static_cast<char>(-128 + 26));
  const __m128i highHalf = _mm_set1_epi8(8);
  std::size_t n = 0;
  std::size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i digit = _mm_cmplt_epi8(_mm_add_epi8(bytes, digitShift), digitLimit);
    const __m128i letter =
        _mm_cmplt_epi8(_mm_add_epi8(_mm_or_si128(bytes, lowerCase), letterShift), letterLimit);
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(digit, letter)));
    if (mask == 0) continue;  // padding and other runs without text
    if (mask == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), bytes);
      n += 16;
      continue;
    }
    const unsigned low = mask & 0xFF;
    const unsigned high = mask >> 8;
    const __m128i lowPacked =
        _mm_shuffle_epi8(bytes, _mm_cvtsi64_si128(static_cast<long long>(kPack[low])));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + n), lowPacked);
    n += static_cast<std::size_t>(__builtin_popcount(low));
    const __m128i highPacked = _mm_shuffle_epi8(
        bytes, _mm_add_epi8(_mm_cvtsi64_si128(static_cast<long long>(kPack[high])), highHalf));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + n), highPacked);
    n += static_cast<std::size_t>(__builtin_popcount(high));
  }
  return n + filterExaminedBytewise(in + i, size - i, out + n);
}

// 64 bytes at a time: classify into a mask with unsigned range compares, pack the kept
// bytes with one compress and store all 64 lanes; the next store starts where the kept ones
// end. Stores never pass the input position, as in the 16-byte version.
__attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt"))) std::size_t filterAvx512(
    const unsigned char* in, std::size_t size, unsigned char* out) {
  const __m512i zero = _mm512_set1_epi8('0');
  const __m512i digits = _mm512_set1_epi8(10);
  const __m512i lowerCase = _mm512_set1_epi8(0x20);
  const __m512i a = _mm512_set1_epi8('a');
  const __m512i letters = _mm512_set1_epi8(26);
  std::size_t n = 0;
  std::size_t i = 0;
  for (; i + 64 <= size; i += 64) {
    const __m512i bytes = _mm512_loadu_si512(in + i);
    const __mmask64 digit = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(bytes, zero), digits);
    const __mmask64 letter =
        _mm512_cmplt_epu8_mask(_mm512_sub_epi8(_mm512_or_si512(bytes, lowerCase), a), letters);
    const __mmask64 kept = digit | letter;
    _mm512_storeu_si512(out + n, _mm512_maskz_compress_epi8(kept, bytes));
    n += static_cast<std::size_t>(__builtin_popcountll(kept));
  }
  return n + filterExaminedBytewise(in + i, size - i, out + n);
}

#endif

}  // namespace

std::size_t filterExaminedBytewise(const unsigned char* in, std::size_t size, unsigned char* out) {
  // Branch-free: every byte is stored, only kept ones advance the output. Random and
  // binary data would otherwise mispredict about every fourth byte.
  std::size_t n = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char b = in[i];
    out[n] = b;
    n += kKeep[b];
  }
  return n;
}

std::size_t filterExaminedAt(VectorLevel level, const unsigned char* in, std::size_t size,
                             unsigned char* out) {
#ifdef CODESNIFF_HAVE_X86_PATHS
  if (level >= VectorLevel::Avx512) return filterAvx512(in, size, out);
  if (level >= VectorLevel::Ssse3) return filterSsse3(in, size, out);
#endif
  (void)level;
  return filterExaminedBytewise(in, size, out);
}

std::size_t filterExamined(const unsigned char* in, std::size_t size, unsigned char* out) {
  return filterExaminedAt(processorVectorLevel(), in, size, out);
}

}  // namespace codesniff
