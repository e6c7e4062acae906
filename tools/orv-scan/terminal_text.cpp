#include "terminal_text.h"

#include <QChar>
#include <cstdint>
#include <cstdio>

#include "cp1252.h"
#include "utf8.h"

namespace orvscan {
namespace {

// The valid UTF-8 sequence at the start of `bytes`: its length and code point, or length 0
// when the first byte starts none (overlong forms, surrogates and values beyond U+10FFFF
// included).
struct Sequence {
  std::size_t length = 0;
  char32_t code = 0;
};

Sequence decodeFirst(std::string_view bytes) {
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = at(0);
  if (lead < 0x80) return {1, lead};
  std::size_t length;
  char32_t code;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return {};
  }
  if (length > bytes.size()) return {};
  for (std::size_t k = 1; k < length; ++k) {
    if ((at(k) & 0xC0) != 0x80) return {};
    code = (code << 6) | (at(k) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return {length, code};
}

// Characters that act on the terminal or on the order and look of what follows.
bool actsOnDisplay(char32_t code) {
  switch (QChar::category(code)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
      return true;
    default:
      return false;
  }
}

void appendEscape(std::string& out, const char* format, unsigned value) {
  char escape[16];
  std::snprintf(escape, sizeof escape, format, value);
  out += escape;
}

}  // namespace

std::string terminalText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const Sequence sequence = decodeFirst(bytes);
    const auto byte = static_cast<std::uint8_t>(bytes[0]);
    if (sequence.length == 0) {
      appendEscape(out, "\\x%02X", byte);
      bytes.remove_prefix(1);
      continue;
    }
    if (byte == '\\') {
      out += "\\\\";
    } else if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\t') {
      out += "\\t";
    } else if (byte == '\r') {
      out += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      appendEscape(out, "\\x%02X", byte);
    } else if (actsOnDisplay(sequence.code)) {
      appendEscape(out, sequence.code > 0xFFFF ? "\\U%08X" : "\\u%04X", sequence.code);
    } else {
      out.append(bytes.data(), sequence.length);
    }
    bytes.remove_prefix(sequence.length);
  }
  return out;
}

std::string resultUtf8(const ShortText& result) {
  std::string out;
  out.reserve(result.length);
  for (int i = 0; i < result.length; ++i)
    orv::appendUtf8(out, orv::cp1252ToUnicode(result.chars[i]));
  return out;
}

std::string jsonText(std::string_view bytes, bool& exact) {
  std::string out;
  out.reserve(bytes.size());
  exact = true;
  while (!bytes.empty()) {
    const Sequence sequence = decodeFirst(bytes);
    if (sequence.length == 0) {
      appendEscape(out, "\\x%02X", static_cast<std::uint8_t>(bytes[0]));
      exact = false;
      bytes.remove_prefix(1);
    } else {
      out.append(bytes.data(), sequence.length);
      bytes.remove_prefix(sequence.length);
    }
  }
  return out;
}

std::string hexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<std::uint8_t>(c);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
  }
  return out;
}

}  // namespace orvscan
