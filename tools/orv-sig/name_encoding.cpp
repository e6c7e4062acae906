#include "name_encoding.h"

#include <cstdint>
#include <cstdio>

#include "cp1252.h"
#include "utf8.h"

namespace orvsig {
namespace {

// Strict UTF-8 decoding: no overlong forms, no surrogates, nothing above U+10FFFF.
std::optional<std::u32string> decodeUtf8(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    int extra;
    char32_t cp;
    if (lead < 0x80) {
      extra = 0;
      cp = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      return std::nullopt;
    }
    if (i + extra >= text.size()) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<std::uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (next & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) {
      return std::nullopt;
    }
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

// Names hold only characters the code page assigns.
std::optional<char> encodeChar(char32_t cp) {
  const int byte = orv::unicodeToCp1252(cp);
  if (byte < 0 || orv::isUndefinedInCp1252(static_cast<unsigned char>(byte))) return std::nullopt;
  return static_cast<char>(byte);
}

}  // namespace

std::optional<std::string> toCp1252(std::string_view text) {
  const auto decoded = decodeUtf8(text);
  if (!decoded) return std::string(text);
  std::string out;
  for (char32_t cp : *decoded) {
    const auto byte = encodeChar(cp);
    if (!byte) return std::nullopt;
    out += *byte;
  }
  return out;
}

std::string cp1252ToDisplay(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    const char32_t cp = orv::cp1252ToUnicode(byte);
    if (byte == '\\') {
      out += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F || orv::isUndefinedInCp1252(byte)) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    } else {
      orv::appendUtf8(out, cp);
    }
  }
  return out;
}

}  // namespace orvsig
