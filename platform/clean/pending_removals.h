#pragma once

#include <string>

#include "file_identity.h"

namespace orv::clean {

// The pending-removal list: files that could not be removed when the user asked but may go
// later (a busy file), to be removed at the next start of the program if they are still the
// very files recorded. It is the file "pending-removal" in the folder pendingListFolder()
// names; its format is kept in pending_removals.cpp alone. A list in a folder or file that
// another user owns or may write to is never used.

inline constexpr const char* kPendingListName = "pending-removal";

// Records the absolute `path` with the identity of the file found there. Returns whether the
// record is safely on disk.
bool recordPendingRemoval(const std::string& folder, const std::string& path,
                          const FileIdentity& identity);

// Removes every recorded file that is still the one recorded and can go now, keeps the
// records of those that may go later, and drops the rest; silent, never throws.
void retryPendingRemovals(const std::string& folder) noexcept;

}  // namespace orv::clean
