#include "marker_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using codesniff::Findings;
using codesniff::VectorLevel;

// What the one-marker-at-a-time search of the whole text answers, written with
// std::string::find.
Findings reference(const std::string& text, int aboveGroup, bool prefixes) {
  auto has = [&](const char* marker) { return text.find(marker) != std::string::npos; };
  const bool groups[] = {has("RasDialA") || has("RasCreatePhonebookEntryA"), has("CAPIPUTMESSAGE"),
                         has("lineDial") || has("tapiRequest")};
  Findings found;
  for (int group = 2; group > aboveGroup && found.group < 0; --group)
    if (groups[group]) found.group = group;
  found.numberPrefix = prefixes && (has("0190") || has("0900"));
  return found;
}

std::vector<VectorLevel> levelsOfThisProcessor() {
  std::vector<VectorLevel> levels;
  for (VectorLevel level :
       {VectorLevel::None, VectorLevel::Ssse3, VectorLevel::Avx2, VectorLevel::Avx512})
    if (level <= codesniff::processorVectorLevel()) levels.push_back(level);
  return levels;
}

// Markers, their beginnings and near misses among letters (and bytes beyond ASCII, which
// the check never hands over but which must not trip the search), at every offset within and
// across the 32- and 64-byte steps and in the bytes after the last whole step: every
// version of the search must answer as the reference, whatever it was asked for.
TEST(FindMarkers, EveryVersionAgreesWithTheReference) {
  const char* pieces[] = {"RasDialA", "RasCreatePhonebookEntryA", "CAPIPUTMESSAGE", "lineDial",
                          "tapiRequest", "0190", "0900", "Ra", "RasDial", "CA", "li", "lineDia",
                          "ta", "tapiReques", "01", "09", "019", "090", "0", "x", "Z", "7",
                          // "Ra" and "01" with their high bits set
                          "\xD2\xE1", "\xB0\xB1"};
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const std::size_t length = random() % 300;
    while (text.size() < length) {
      if (random() % 4 == 0)
        text += pieces[random() % std::size(pieces)];
      else
        text += "aZ9"[random() % 3];
    }
    for (int aboveGroup = -1; aboveGroup <= 2; ++aboveGroup)
      for (bool prefixes : {true, false}) {
        const Findings expected = reference(text, aboveGroup, prefixes);
        for (VectorLevel level : levelsOfThisProcessor()) {
          const Findings found = codesniff::findMarkersAt(level, text, aboveGroup, prefixes);
          ASSERT_EQ(found.group, expected.group)
              << text << " above " << aboveGroup << " level " << static_cast<int>(level);
          ASSERT_EQ(found.numberPrefix, expected.numberPrefix)
              << text << " above " << aboveGroup << " level " << static_cast<int>(level);
        }
      }
  }
}

}  // namespace
