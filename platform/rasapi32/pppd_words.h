#pragma once

#include <string>
#include <vector>

#include "traced_text.h"

namespace orv::ras {

// One word of a file pppd reads (an options file such as a peer, or a secrets file).
struct PppdWord {
  TracedText value;          // the word with quotes and escapes resolved
  FileSpan raw;              // the word as written, quotes and escapes included
  bool firstOnLine = false;  // no other word before it on its line (secrets: a new entry)
};

// Splits `file` into words the way pppd does: blanks separate words, "#" at the start of a
// word runs to the end of the line, '...' and "..." quote (also in the middle of a word),
// a backslash escapes the next character (\n, \t, \s for a blank, octal and \x hex values),
// and a backslash before a line break joins the lines. An unclosed quote ends with the file.
std::vector<PppdWord> splitPppdWords(const std::string& file);

// `value` written as one word pppd reads back unchanged: as it is when it holds only plain
// characters, else in double quotes with backslash before '"' and '\'.
std::string quotePppdWord(const std::string& value);

}  // namespace orv::ras
