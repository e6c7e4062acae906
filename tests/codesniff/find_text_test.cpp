#include "find_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace {

using codesniff::FindText;

struct FindCase {
  const char* name;
  std::string pattern;
  std::string text;
  std::int64_t expected;
};

class FindTextTable : public testing::TestWithParam<FindCase> {};

TEST_P(FindTextTable, GivesFirstPositionFromOne) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindText(c.pattern, c.text), c.expected) << c.pattern << " in " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTable,
    testing::Values(FindCase{"EmptyPattern", "", "abc", 0}, FindCase{"EmptyBoth", "", "", 0},
                    FindCase{"EmptyText", "abc", "", 0}, FindCase{"TextShorter", "abcd", "abc", 0},
                    FindCase{"WholeText", "RasDialA", "RasDialA", 1},
                    FindCase{"AtEnd", "lineDial", "xxlineDial", 3},
                    FindCase{"FirstOfTwo", "0900", "x0900y0900", 2},
                    // A prefix of the marker right before the marker itself.
                    FindCase{"RepeatedPrefix", "RasDialA", "RasRasDialA", 4},
                    FindCase{"RepeatedPrefixes", "RasDialA", "RRaRasRasDRasDialA", 11},
                    FindCase{"OverlappingDigits", "0190", "00190190", 2},
                    FindCase{"NearMissDigits", "0190", "0019190", 0},
                    FindCase{"NearMissAtEnd", "tapiRequest", "tapiRequestapiReques", 1},
                    FindCase{"TailMatchesOnly", "tapiRequest", "xxxxRequest", 0},
                    // The mismatching text byte occurs later in the pattern: shift by one only.
                    FindCase{"LastOccurrenceRight", "BA", "AABA", 3},
                    FindCase{"RunOfOneByte", "AAB", "AAAAAB", 4},
                    FindCase{"CaseMatters", "RasDialA", "rasdiala RASDIALA", 0},
                    // Bytes above 127 must index the table as unsigned values.
                    FindCase{"HighBytes",
                             "\xFC"
                             "ber",
                             "\xFC\xFC"
                             "ber",
                             2},
                    FindCase{"ZeroBytes", std::string("a\0b", 3), std::string("xa\0a\0b", 6), 4}),
    [](const testing::TestParamInfo<FindCase>& info) { return std::string(info.param.name); });

std::int64_t naiveFind(const std::string& pattern, const std::string& text) {
  if (pattern.empty() || pattern.size() > text.size()) return 0;
  for (std::size_t s = 0; s + pattern.size() <= text.size(); ++s)
    if (text.compare(s, pattern.size(), pattern) == 0) return static_cast<std::int64_t>(s) + 1;
  return 0;
}

// Small alphabets give many partial matches, which is where a wrong shift shows.
TEST(FindText, AgreesWithNaiveSearchOnRandomInputs) {
  std::mt19937 random(20240517);
  const std::string alphabets[] = {"ab", "019", "RasDilA",
                                   std::string("\0\xFF"
                                               "a",
                                               3)};
  for (int round = 0; round < 20000; ++round) {
    const std::string& alphabet = alphabets[round % 4];
    auto pick = [&](std::size_t length) {
      std::string s;
      for (std::size_t i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
      return s;
    };
    const std::string text = pick(random() % 40);
    std::string pattern = pick(1 + random() % 6);
    if (round % 3 == 0 && !text.empty()) {  // also patterns that do occur
      const std::size_t from = random() % text.size();
      pattern = text.substr(from, 1 + random() % (text.size() - from));
    }
    ASSERT_EQ(FindText(pattern, text), naiveFind(pattern, text)) << pattern << " in " << text;
  }
}

}  // namespace
