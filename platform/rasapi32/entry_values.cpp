#include "entry_values.h"

#include <algorithm>

#include "rasapi32.h"

namespace orv::ras {
namespace {

bool hasControlCharacter(const std::string& s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

std::string checkEntryValues(const EntryValues& before, const EntryValues& after) {
  if (after.number != before.number) {
    if (after.number.empty()) return "Bitte geben Sie eine Rufnummer ein.";
    if (after.number.size() > RAS_MAX_PHONE_NUMBER) return "Die Rufnummer ist zu lang.";
    if (after.number.find_first_not_of("0123456789+*#,Ww") != std::string::npos)
      return "Die Rufnummer darf nur Ziffern und die Zeichen + * # , W enthalten.";
  }
  if (hasControlCharacter(after.user) || hasControlCharacter(after.password))
    return "Benutzername und Kennwort dürfen keine Steuerzeichen enthalten.";
  if (after.user.size() > RAS_MAX_USER_NAME || after.password.size() > RAS_MAX_PASSWORD)
    return "Benutzername oder Kennwort ist zu lang.";
  return {};
}

}  // namespace orv::ras
