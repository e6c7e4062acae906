#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orv {

// The fields of a line of /proc/PID/stat that the program reads.
struct ProcStatFields {
  std::string_view state;   // field 3 as it stands, e.g. "S"; "Z" for a zombie
  std::uint64_t startTime;  // field 22: clock ticks after boot
};

// Reads the state and the start time from a /proc/PID/stat line (the views point into it).
// The command name before them stands in parentheses and may itself hold ")" and blanks, so
// the fields are counted from the last ")".
inline std::optional<ProcStatFields> parseProcStatFields(std::string_view line) {
  constexpr int kStateField = 3;
  constexpr int kStartTimeField = 22;
  const std::size_t close = line.rfind(')');
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view rest = line.substr(close + 1);
  ProcStatFields fields{};
  for (int field = kStateField; field <= kStartTimeField; ++field) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(start);
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view value = rest.substr(0, end);
    if (field == kStateField) fields.state = value;
    if (field == kStartTimeField) {
      const char* const last = value.data() + value.size();
      const auto [stop, error] = std::from_chars(value.data(), last, fields.startTime);
      if (error != std::errc() || stop != last) return std::nullopt;
      return fields;
    }
    rest.remove_prefix(end);
  }
  return std::nullopt;
}

}  // namespace orv
