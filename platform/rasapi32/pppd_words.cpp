#include "pppd_words.h"

namespace orv::ras {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool isOctal(char c) {
  return c >= '0' && c <= '7';
}
int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the escape whose backslash stands at `at - 1`; appends its value and returns the
// offset behind it.
std::size_t readEscape(const std::string& f, std::size_t at, TracedText& out) {
  const char c = f[at];
  switch (c) {
    case 'a':
      out.push('\a', at);
      return at + 1;
    case 'b':
      out.push('\b', at);
      return at + 1;
    case 'f':
      out.push('\f', at);
      return at + 1;
    case 'n':
      out.push('\n', at);
      return at + 1;
    case 'r':
      out.push('\r', at);
      return at + 1;
    case 's':
      out.push(' ', at);
      return at + 1;
    case 't':
      out.push('\t', at);
      return at + 1;
    default:
      break;
  }
  if (isOctal(c)) {
    int value = 0;
    std::size_t i = at;
    for (int n = 0; n < 3 && i < f.size() && isOctal(f[i]); ++n, ++i)
      value = value * 8 + (f[i] - '0');
    out.push(static_cast<char>(value), at);
    return i;
  }
  if (c == 'x' && at + 1 < f.size() && hexValue(f[at + 1]) >= 0) {
    int value = 0;
    std::size_t i = at + 1;
    for (int n = 0; n < 2 && i < f.size() && hexValue(f[i]) >= 0; ++n, ++i)
      value = value * 16 + hexValue(f[i]);
    out.push(static_cast<char>(value), at);
    return i;
  }
  out.push(c, at);
  return at + 1;
}

}  // namespace

std::vector<PppdWord> splitPppdWords(const std::string& f) {
  std::vector<PppdWord> words;
  std::size_t i = 0;
  bool newLine = true;
  while (i < f.size()) {
    const char c = f[i];
    if (c == '\n') {
      newLine = true;
      ++i;
      continue;
    }
    if (isBlank(c)) {
      ++i;
      continue;
    }
    if (c == '\\' && i + 1 < f.size() && f[i + 1] == '\n') {
      i += 2;
      continue;
    }
    if (c == '#') {
      while (i < f.size() && f[i] != '\n') ++i;
      continue;
    }
    PppdWord word;
    word.firstOnLine = newLine;
    newLine = false;
    word.raw.begin = i;
    char quote = 0;
    while (i < f.size()) {
      const char d = f[i];
      if (d == '\\') {
        if (i + 1 >= f.size()) {
          ++i;
          break;
        }
        if (f[i + 1] == '\n') {
          i += 2;
          continue;
        }
        i = readEscape(f, i + 1, word.value);
        continue;
      }
      if (quote) {
        if (d == quote)
          quote = 0;
        else
          word.value.push(d, i);
        ++i;
        continue;
      }
      if (d == '"' || d == '\'') {
        quote = d;
        ++i;
        continue;
      }
      if (isBlank(d)) break;
      word.value.push(d, i);
      ++i;
    }
    word.raw.end = i;
    words.push_back(std::move(word));
  }
  return words;
}

std::string quotePppdWord(const std::string& value) {
  bool plain = !value.empty();
  for (const char c : value) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '@' || c == '%' || c == '+' || c == '=' || c == ':' || c == ',' ||
                    c == '.' || c == '/' || c == '_' || c == '-';
    if (!ok) plain = false;
  }
  if (plain) return value;
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace orv::ras
