#pragma once

#include <cstdint>
#include <string>

#include "ppp_paths.h"

namespace orv::ras {

// The service's own dialog for an entry: number, user and password, modal over the window
// `owner` (its window id; 0 or an unknown id: no owner). Saving writes through EntryEditor;
// fields whose files cannot be written are shown read-only with the reason. Returns when
// the dialog is closed: 0, 623 for an unknown entry, or RAS_ERROR_NO_DIALOG without a
// window system or off the window's thread.
std::uint32_t editEntryInDialog(std::uintptr_t owner, const PppPaths& paths,
                                const std::string& entry);

}  // namespace orv::ras
