#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace sigmatch {

// A length-prefixed single-byte text of fixed capacity, held inline so that a table of a
// million records needs no allocation per record.
template <std::size_t Capacity>
struct FixedText {
  static_assert(Capacity <= 255, "the length is one byte");
  static constexpr std::size_t capacity = Capacity;

  std::uint8_t length = 0;
  char chars[Capacity] = {};

  std::string_view view() const { return {chars, length}; }
  bool empty() const { return length == 0; }

  // Keeps at most Capacity bytes of `text`.
  void assign(std::string_view text) {
    length = static_cast<std::uint8_t>(std::min(text.size(), Capacity));
    std::memcpy(chars, text.data(), length);
  }
};

template <std::size_t A, std::size_t B>
bool operator==(const FixedText<A>& a, const FixedText<B>& b) {
  return a.view() == b.view();
}

}  // namespace sigmatch
