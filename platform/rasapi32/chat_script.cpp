#include "chat_script.h"

#include <cctype>
#include <cstring>

namespace orv::ras {
namespace {

bool isShellBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isShellSpecial(char c) {
  return std::strchr(";&|<>()`$\n", c) != nullptr && c != '\0';
}

char upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool isDialCharacter(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) || std::strchr("*#+,!@WwPpTt -()/", c);
}

// The keywords of chat that stand where an expect string would and take the next string
// as their argument.
bool isChatKeyword(const std::string& s) {
  static const char* const kKeywords[] = {"ABORT",   "CLR_ABORT", "REPORT", "CLR_REPORT",
                                          "TIMEOUT", "ECHO",      "HANGUP", "SAY"};
  for (const char* k : kKeywords)
    if (s == k) return true;
  return false;
}

bool endsWithChat(const std::string& program) {
  const std::size_t slash = program.rfind('/');
  return program.substr(slash == std::string::npos ? 0 : slash + 1) == "chat";
}

// Skips the commands before the dial command of an AT line; returns the index behind "D",
// or nothing when the line dials nothing.
std::optional<std::size_t> skipToDial(const std::string& s) {
  std::size_t i = 0;
  // Pauses chat makes before it sends.
  while (i + 1 < s.size() && s[i] == '\\' && std::strchr("dpK", s[i + 1])) i += 2;
  if (i + 1 >= s.size() || upper(s[i]) != 'A' || upper(s[i + 1]) != 'T') return std::nullopt;
  i += 2;
  while (i < s.size()) {
    const char c = upper(s[i]);
    if (c == 'D') return i + 1;
    if (c == ' ') {
      ++i;
    } else if (c == '+') {
      // An extended command (AT+CGDCONT=...) runs to the next ";".
      const std::size_t end = s.find(';', i);
      if (end == std::string::npos) return std::nullopt;
      i = end + 1;
    } else if (c == '&' || c == '%' || c == '*' || c == '#' ||
               std::isalpha(static_cast<unsigned char>(c)) ||
               (c == '\\' && i + 1 < s.size() && s[i + 1] == '\\')) {
      // A basic command: an optional prefix, its letter, then a number or a setting.
      i += c == '\\' ? 2 : 1;
      if (c == '&' || c == '%' || c == '*' || c == '#' || c == '\\') {
        if (i >= s.size() || !std::isalpha(static_cast<unsigned char>(s[i]))) return std::nullopt;
        ++i;
      }
      while (i < s.size() &&
             (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '=' || s[i] == '?'))
        ++i;
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<TracedText>> splitShellWords(const TracedText& command) {
  const std::string& s = command.text;
  std::vector<TracedText> words;
  std::size_t i = 0;
  while (i < s.size()) {
    if (isShellBlank(s[i])) {
      ++i;
      continue;
    }
    if (s[i] == '#') break;  // a comment to the end of the command
    TracedText word;
    while (i < s.size() && !isShellBlank(s[i])) {
      const char c = s[i];
      if (c == '\\') {
        if (i + 1 >= s.size()) return std::nullopt;
        if (s[i + 1] != '\n') word.push(s[i + 1], command.origin[i + 1]);
        i += 2;
      } else if (c == '\'') {
        const std::size_t close = s.find('\'', i + 1);
        if (close == std::string::npos) return std::nullopt;
        for (std::size_t k = i + 1; k < close; ++k) word.push(s[k], command.origin[k]);
        i = close + 1;
      } else if (c == '"') {
        ++i;
        for (;;) {
          if (i >= s.size()) return std::nullopt;
          const char d = s[i];
          if (d == '"') break;
          if (d == '$' || d == '`') return std::nullopt;
          if (d == '\\' && i + 1 < s.size() && std::strchr("$`\"\\\n", s[i + 1])) {
            if (s[i + 1] != '\n') word.push(s[i + 1], command.origin[i + 1]);
            i += 2;
            continue;
          }
          word.push(d, command.origin[i]);
          ++i;
        }
        ++i;
      } else if (isShellSpecial(c)) {
        return std::nullopt;
      } else {
        word.push(c, command.origin[i]);
        ++i;
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::optional<ChatCall> parseChatCall(const std::vector<TracedText>& words) {
  if (words.empty() || !endsWithChat(words[0].text)) return std::nullopt;
  ChatCall call;
  std::size_t w = 1;
  for (; w < words.size(); ++w) {
    const std::string& word = words[w].text;
    if (word.size() < 2 || word[0] != '-') break;
    for (std::size_t k = 1; k < word.size(); ++k) {
      const char option = word[k];
      if (std::strchr("aeEvVsS", option)) continue;
      if (!std::strchr("trTUf", option)) return std::nullopt;
      // The argument is the rest of this word, or the next word.
      TracedText argument;
      if (k + 1 < word.size()) {
        argument = words[w].slice(k + 1, word.size());
      } else {
        if (++w >= words.size()) return std::nullopt;
        argument = words[w];
      }
      if (option == 'f') call.scriptFile = argument;
      if (option == 'T') call.phone = argument;
      break;
    }
  }
  for (; w < words.size(); ++w) call.script.push_back(words[w]);
  return call;
}

std::optional<std::vector<TracedText>> splitChatScript(const std::string& file) {
  std::vector<TracedText> strings;
  std::size_t lineStart = 0;
  while (lineStart < file.size()) {
    std::size_t lineEnd = file.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = file.size();
    std::size_t i = lineStart;
    if (i < lineEnd && file[i] == '#') i = lineEnd;  // a comment line
    while (i < lineEnd) {
      const char c = file[i];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
        continue;
      }
      TracedText s;
      if (c == '"' || c == '\'') {
        ++i;
        for (;;) {
          if (i >= lineEnd) return std::nullopt;  // chat refuses an unclosed quote
          if (file[i] == c) break;
          if (file[i] == '\\' && i + 1 < lineEnd) {
            s.push(file[i], i);
            ++i;
          }
          s.push(file[i], i);
          ++i;
        }
        ++i;
      } else {
        while (i < lineEnd && file[i] != ' ' && file[i] != '\t') {
          s.push(file[i], i);
          ++i;
        }
      }
      strings.push_back(std::move(s));
    }
    lineStart = lineEnd + 1;
  }
  return strings;
}

std::optional<DialString> findDialString(const std::vector<TracedText>& strings,
                                         const std::optional<TracedText>& phone) {
  for (std::size_t k = 0; k < strings.size(); ++k) {
    const bool isSend = k % 2 == 1;
    if (!isSend) {
      if (isChatKeyword(strings[k].text)) ++k;  // the keyword's argument is no send string
      continue;
    }
    const TracedText& s = strings[k];
    const auto afterD = skipToDial(s.text);
    if (!afterD) continue;
    std::size_t i = *afterD;
    if (i < s.size() && (upper(s.text[i]) == 'T' || upper(s.text[i]) == 'P')) ++i;
    DialString dial;
    dial.insertAt = s.origin[i - 1] + 1;
    bool literal = false;
    while (i < s.size()) {
      const char c = s.text[i];
      if (c == '\\' && i + 1 < s.size() && s.text[i + 1] == 'T') {
        dial.viaPhoneOption = true;
        if (phone)
          for (std::size_t p = 0; p < phone->size(); ++p)
            dial.number.push(phone->text[p], phone->origin[p]);
        i += 2;
      } else if (isDialCharacter(c)) {
        if (c != ' ') literal = true;
        dial.number.push(c, s.origin[i]);
        ++i;
      } else {
        break;  // ";", a line end (\r, \c), a pause, anything else ends the number
      }
    }
    dial.mixed = literal && dial.viaPhoneOption;
    if (dial.mixed) dial.viaPhoneOption = false;
    // Blanks around the number are not dialled.
    std::size_t from = 0, to = dial.number.size();
    while (from < to && dial.number.text[from] == ' ') ++from;
    while (to > from && dial.number.text[to - 1] == ' ') --to;
    dial.number = dial.number.slice(from, to);
    return dial;
  }
  return std::nullopt;
}

}  // namespace orv::ras
