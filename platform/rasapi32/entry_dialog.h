#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "entry_values.h"
#include "ppp_paths.h"

namespace orv::ras {

// What the entry dialog shows, and how it saves.
struct EntryDialogContent {
  EntryValues values;
  FieldAccess number;
  FieldAccess user;
  FieldAccess password;
  // Writes the values the user confirmed: empty on success, else a German message that the
  // dialog shows while it stays open, so that nothing typed is lost.
  std::function<std::string(const EntryValues&)> save;
};

// The service's own dialog for an entry: number, user and password, modal over the window
// `owner` (its window id; 0 or an unknown id: no owner). Fields that cannot be changed are
// shown read-only with the reason. Returns when the dialog is closed: 0, or
// RAS_ERROR_NO_DIALOG without a window system or off the window's thread.
std::uint32_t showEntryDialog(std::uintptr_t owner, const std::string& entry,
                              const EntryDialogContent& content);

// The dialog for a pppd peer: saving writes through EntryEditor. 623 for an unknown entry.
std::uint32_t editEntryInDialog(std::uintptr_t owner, const PppPaths& paths,
                                const std::string& entry);

}  // namespace orv::ras
