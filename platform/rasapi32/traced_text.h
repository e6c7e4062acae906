#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace orv::ras {

// Text taken out of a file through one or more layers of quoting and escaping, with the
// offset in the file that each of its bytes came from. That lets the editor put a new value
// exactly where the old one stood, without rewriting anything around it.
struct TracedText {
  std::string text;
  std::vector<std::size_t> origin;  // origin[i]: file offset of text[i]

  void push(char c, std::size_t at) {
    text.push_back(c);
    origin.push_back(at);
  }
  std::size_t size() const { return text.size(); }
  bool empty() const { return text.empty(); }

  // Bytes [from, to) as a traced text of their own.
  TracedText slice(std::size_t from, std::size_t to) const {
    TracedText t;
    t.text = text.substr(from, to - from);
    t.origin.assign(origin.begin() + static_cast<std::ptrdiff_t>(from),
                    origin.begin() + static_cast<std::ptrdiff_t>(to));
    return t;
  }

  // Whether bytes [from, to) stand in `file` as they are, side by side (no escape or quote
  // between them): then replacing file bytes [origin[from], origin[to - 1] + 1) replaces
  // exactly them.
  bool isVerbatim(std::size_t from, std::size_t to, const std::string& file) const {
    for (std::size_t i = from; i < to; ++i) {
      if (origin[i] >= file.size() || file[origin[i]] != text[i]) return false;
      if (i + 1 < to && origin[i + 1] != origin[i] + 1) return false;
    }
    return true;
  }
};

// A stretch of a file's bytes to replace.
struct FileSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
};

}  // namespace orv::ras
