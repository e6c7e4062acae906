#include "text_filter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using codesniff::VectorLevel;

std::string reference(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) out += c;
  return out;
}

// Runs every version of the filter this processor has into exactly `size` bytes of room,
// so that a write past it shows under the address sanitizer, and once more in place.
void expectBothFilter(const std::string& bytes, const std::string& where) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::string expected = reference(bytes);
  for (VectorLevel level :
       {VectorLevel::None, VectorLevel::Ssse3, VectorLevel::Avx2, VectorLevel::Avx512}) {
    if (level > codesniff::processorVectorLevel()) break;
    const std::string shown = where + " level " + std::to_string(static_cast<int>(level));
    std::vector<unsigned char> out(bytes.size());
    const std::size_t n = codesniff::filterExaminedAt(level, in, bytes.size(), out.data());
    ASSERT_EQ(std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n)), expected)
        << shown;
    std::vector<unsigned char> inPlace(bytes.begin(), bytes.end());
    const std::size_t kept =
        codesniff::filterExaminedAt(level, inPlace.data(), inPlace.size(), inPlace.data());
    ASSERT_EQ(std::string(inPlace.begin(), inPlace.begin() + static_cast<std::ptrdiff_t>(kept)),
              expected)
        << shown << " in place";
  }
}

// Every byte value in every lane of a 64-byte group, among kept and dropped neighbours.
TEST(TextFilter, EveryByteValueInEveryLane) {
  for (int value = 0; value < 256; ++value)
    for (std::size_t lane = 0; lane < 64; ++lane)
      for (char background : {'\0', 'x'}) {
        std::string bytes(131, background);
        bytes[lane] = static_cast<char>(value);
        bytes[lane + 65] = static_cast<char>(value);
        expectBothFilter(bytes, "value " + std::to_string(value) + " lane " + std::to_string(lane));
      }
}

TEST(TextFilter, RandomInputsOfEveryLength) {
  std::mt19937 random(3);
  const std::string mostlyKept = "abcXYZ019-";
  for (std::size_t length = 0; length < 200; ++length)
    for (int kind = 0; kind < 3; ++kind) {
      std::string bytes(length, '\0');
      for (char& b : bytes)
        b = kind == 0   ? static_cast<char>(random())
            : kind == 1 ? mostlyKept[random() % mostlyKept.size()]
                        : static_cast<char>(random() % 8 == 0 ? 'q' : 0);
      expectBothFilter(bytes, "length " + std::to_string(length) + " kind " + std::to_string(kind));
    }
}

}  // namespace
