#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace codesniff {

// The interfaces through which a program can dial, in rising priority: a finding of a
// later group replaces that of an earlier one.
enum class Group { DialUpNetworking = 0, Capi = 1, Tapi = 2 };
constexpr std::size_t kGroupCount = 3;

struct Marker {
  std::string_view text;
  // The group the marker points to; the premium-rate prefixes point to none.
  int group;
};
constexpr int kNumberPrefix = -1;

constexpr std::array<Marker, 7> kMarkers{{
    {"RasDialA", static_cast<int>(Group::DialUpNetworking)},
    {"RasCreatePhonebookEntryA", static_cast<int>(Group::DialUpNetworking)},
    {"CAPIPUTMESSAGE", static_cast<int>(Group::Capi)},
    {"lineDial", static_cast<int>(Group::Tapi)},
    {"tapiRequest", static_cast<int>(Group::Tapi)},
    {"0190", kNumberPrefix},
    {"0900", kNumberPrefix},
}};

constexpr std::size_t longestMarker() {
  std::size_t longest = 0;
  for (const Marker& marker : kMarkers)
    if (marker.text.size() > longest) longest = marker.text.size();
  return longest;
}
constexpr std::size_t kLongestMarker = longestMarker();

// Result texts, single-byte Latin-1. Split literals keep a hex escape from swallowing
// the letters after it.
constexpr std::string_view kNothingFound = "OK";
constexpr std::array<std::string_view, kGroupCount> kGroupTexts{{
    "Programm w\xE4hlt oder erstellt DF\xDC Verbindungen",
    "Programm kann Verbindungen \xFC"
    "ber die CAPI aufbauen",
    "Programm kann Verbindungen \xFC"
    "ber die TAPI aufbauen",
}};
constexpr std::string_view kNumberAppendix =
    " und enth\xE4lt Hinweise auf verd\xE4"
    "chtige Telefonnummern";

}  // namespace codesniff
