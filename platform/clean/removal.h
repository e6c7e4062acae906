#pragma once

#include <optional>
#include <string>

#include "file_identity.h"

namespace orv::clean {

// What became of an attempt.
enum class Removal {
  Gone,   // removed, or nothing is at the path
  Later,  // cannot go now, but may later (a busy file)
  Never,  // cannot go, and waiting will not change that
};

struct RemovalAttempt {
  Removal outcome = Removal::Never;
  // What stood at the path, when it could be looked at.
  std::optional<FileIdentity> found;
};

// Removes the entry at the absolute `path` (the name itself: a symbolic link goes, its target
// stays), looked at and removed through its folder held open, so that what is checked is what
// is removed even if a folder on the way is swapped meanwhile. Never for a folder, for another
// file than `expected` when that is given, and for a path that names no file (relative, ending
// in "/", ".", ".."). Later only where the failure may pass by itself: a file in use as a mount
// point or a running program's image; missing rights, a read-only file system, the immutable
// attribute and every other error stay as they are until somebody changes them.
RemovalAttempt removeFile(const std::string& path, const FileIdentity* expected = nullptr);

}  // namespace orv::clean
