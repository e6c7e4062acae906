#pragma once

#include <string>

namespace orv::ras {

// What the edit dialog shows and changes of an entry, whichever source it comes from.
struct EntryValues {
  std::string number;
  std::string user;
  std::string password;
};

// Whether a field can be changed, and if not, why (German, UTF-8).
struct FieldAccess {
  bool writable = false;
  std::string reason;
};

// Checks values typed into the dialog before anything is written: a changed number is
// digits and + * # , W and fits its field; user and password have no control characters
// and fit theirs. Empty when they may be saved, else a German message.
std::string checkEntryValues(const EntryValues& before, const EntryValues& after);

}  // namespace orv::ras
