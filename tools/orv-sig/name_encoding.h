#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvsig {

// Signature names are stored as single bytes in Windows-1252, the code page the program
// shows them in; the terminal speaks UTF-8.

// The stored form of a name typed on the command line. Valid UTF-8 is converted; anything
// else is taken as single bytes already. Empty when a character has no single-byte form.
std::optional<std::string> toCp1252(std::string_view text);

// A stored text for the terminal: UTF-8, with control and unassigned bytes and the
// backslash written as escapes, so that a line shows exactly which bytes a record holds.
std::string cp1252ToDisplay(std::string_view bytes);

}  // namespace orvsig
