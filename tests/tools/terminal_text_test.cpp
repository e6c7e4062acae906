#include "terminal_text.h"

#include <gtest/gtest.h>

namespace {

TEST(TerminalText, ShowsEveryNameOnOneLineAndExactly) {
  const struct {
    const char* bytes;
    const char* shown;
  } cases[] = {
      {"setup.exe", "setup.exe"},
      {"gr\xc3\xbc\xc3\x9f \xf0\x9f\x98\x80", "gr\xc3\xbc\xc3\x9f \xf0\x9f\x98\x80"},
      {"a\\xFF", "a\\\\xFF"},  // a real backslash never reads as an escape
      {"\n\t\r", "\\n\\t\\r"},
      {"\x1b[2J\x7f", "\\x1B[2J\\x7F"},
      {"\xff\xfe", "\\xFF\\xFE"},
      {"\xc0\xae", "\\xC0\\xAE"},           // overlong "."
      {"\xed\xa0\x80", "\\xED\\xA0\\x80"},  // a surrogate
      {"\xe2\x80", "\\xE2\\x80"},           // cut short
      {"\xc2\x9b", "\\u009B"},              // C1 control: starts a terminal sequence
      {"\xe2\x80\xae", "\\u202E"},          // turns the rest of the line around
      {"\xe2\x80\xa8", "\\u2028"},          // a line separator
      {"\xf3\xa0\x80\x81", "\\U000E0001"},  // a format character beyond the first plane
  };
  for (const auto& c : cases) EXPECT_EQ(orvscan::terminalText(c.bytes), c.shown) << c.bytes;
}

TEST(TerminalText, LibraryAnswersAreWindows1252) {
  ShortText answer;
  orv::setShortText(&answer, "\x80 w\xe4hlt \x81");
  EXPECT_EQ(orvscan::resultUtf8(answer), "\xe2\x82\xac w\xc3\xa4hlt \xc2\x81");
}

}  // namespace
