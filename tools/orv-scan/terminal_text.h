#pragma once

#include <string>
#include <string_view>

#include "short_text.h"

namespace orvscan {

// Everything the scanner prints that it did not write itself (file names, signature names,
// the heuristic's sentences) goes through here, so that no name can start a new line, move
// the cursor, reorder what the terminal shows or hide which bytes it holds.

// C-style, unambiguous and reversible: "\\" for a backslash, "\n", "\t", "\r", "\xHH" for
// any other control byte and for every byte that is not part of valid UTF-8, "\uHHHH" (or
// "\UHHHHHHHH") for control, format and separator characters; everything else as it is.
std::string terminalText(std::string_view bytes);

// A library's answer (single bytes of Windows-1252) as UTF-8, unescaped.
std::string resultUtf8(const ShortText& result);

// For JSON, which holds text only: `bytes` unchanged when they are valid UTF-8 (the JSON
// writer escapes what it must), otherwise with each byte that is not part of valid UTF-8
// shown as "\xHH". `exact` tells which of the two it was.
std::string jsonText(std::string_view bytes, bool& exact);

// Lower-case hexadecimal digits of every byte: the exact name where text cannot hold it.
std::string hexBytes(std::string_view bytes);

}  // namespace orvscan
