#pragma once

#include <cstdint>
#include <string>

#include "entry_values.h"
#include "phonebook.h"
#include "ppp_paths.h"

namespace orv::ras {

struct EntryEditPlan {
  PeerEntry entry;
  EntryValues values;
  std::string numberFileContent;  // the file holding the number, as it was read
  FieldAccess number;
  FieldAccess user;
  FieldAccess password;
};

// Reads an entry for the edit dialog and writes back what the user changed: the number into
// the chat script (or the connect line that holds it), the user into the peer's "user"
// option, the password into the matching line of pap-secrets and chap-secrets. Each file is
// replaced in one step, and only the bytes of the changed value differ; every other line,
// option and comment stays as it was. Files outside the ppp and chat script folders, links
// and files the user may not write are shown, never written.
class EntryEditor {
 public:
  explicit EntryEditor(PppPaths paths) : m_paths(std::move(paths)) {}

  // 0, or the code why the entry cannot be shown (623 unknown, 5 unreadable).
  std::uint32_t load(const std::string& name, EntryEditPlan& plan) const;

  // Writes the values that differ from `plan`'s, after checking them (checkEntryValues).
  // Empty on success, else a German message; files already written then stay written, each
  // one whole.
  std::string save(const EntryEditPlan& plan, const EntryValues& values) const;

 private:
  PppPaths m_paths;
};

}  // namespace orv::ras
