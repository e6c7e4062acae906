#pragma once

#include <string>

#include <sys/stat.h>

namespace orv::clean {

// The pending-removal list: files that could not be removed when the user asked, to be removed
// at the next start. It lives in $XDG_STATE_HOME/orv/pending-removal (default
// ~/.local/state/orv/pending-removal); its format is kept in pending_removals.cpp alone.

// The list's path, or empty when the user has no home folder to keep it in.
std::string pendingListPath();

// Records the absolute `path` with the identity of the file found there (nullptr when it could
// not be looked at). Returns whether the record is safely on disk.
bool recordPendingRemoval(const std::string& path, const struct stat* identity);

// Removes what can be removed now and keeps the rest; silent, never throws.
void retryPendingRemovals() noexcept;

}  // namespace orv::clean
