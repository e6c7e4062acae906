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
  while (!text.empty()) {
    const orv::Utf8Sequence sequence = orv::decodeUtf8Sequence(text);
    if (sequence.length == 0) return std::nullopt;
    out.push_back(sequence.code);
    text.remove_prefix(sequence.length);
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
