#pragma once

// The result buffer of the library exports: 256 bytes owned by the caller, byte 0
// the length (0 to 255), then that many single-byte (Latin-1) characters.
typedef struct ShortText {
  unsigned char length;
  unsigned char chars[255];
} ShortText;

#ifdef __cplusplus
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

static_assert(sizeof(ShortText) == 256, "ShortText is a 256-byte buffer");

namespace orv {

// Writes `text` (cut to 255 bytes) into `out`: the length byte and the characters,
// never more than length + 1 bytes of the caller's buffer.
inline void setShortText(ShortText* out, std::string_view text) {
  const auto n = static_cast<unsigned char>(std::min<std::size_t>(text.size(), 255));
  if (n > 0) std::memcpy(out->chars, text.data(), n);
  out->length = n;
}

inline std::string shortTextString(const ShortText& text) {
  return std::string(reinterpret_cast<const char*>(text.chars), text.length);
}

}  // namespace orv
#endif
