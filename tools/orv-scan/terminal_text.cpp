#include "terminal_text.h"

#include <QChar>
#include <cstdint>
#include <cstdio>

#include "cp1252.h"
#include "utf8.h"

namespace orvscan {
namespace {

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
    const orv::Utf8Sequence sequence = orv::decodeUtf8Sequence(bytes);
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
    const orv::Utf8Sequence sequence = orv::decodeUtf8Sequence(bytes);
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
