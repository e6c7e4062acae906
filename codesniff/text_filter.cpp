#include "text_filter.h"

#include <array>

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

}  // namespace

bool isExaminedByte(unsigned char byte) {
  return kKeep[byte] != 0;
}

std::size_t filterExamined(const unsigned char* in, std::size_t size, unsigned char* out) {
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

}  // namespace codesniff
