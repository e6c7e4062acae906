#pragma once

#include <optional>
#include <string>

#include "file_identity.h"
#include "unique_fd.h"

namespace orv::clean {

// One file to remove, named by its folder (held open, so that what is checked in it is what
// is removed from it, even if a folder on the way is swapped meanwhile) and its name there.
struct RemovalTarget {
  UniqueFd folder;
  std::string name;
};

// What became of an attempt.
enum class Removal {
  Gone,   // removed, or nothing is at the path
  Later,  // cannot go now, but may later (a busy file)
  Never,  // cannot go, and waiting will not change that
};

// Whether a failure with this error may pass by itself: a file in use as a mount point or a
// running program's image. Missing rights, a read-only file system, the immutable attribute
// and every other error stay as they are until somebody changes them.
bool mayPassLater(int error);

// The error's outcome: Later when it may pass by itself, Never otherwise.
Removal failedWith(int error);

// Opens the folder of the absolute `path`. Gone when there is no such folder; Never for a path
// that names no file (relative, ending in "/", ".", ".."); else the error's outcome.
std::optional<RemovalTarget> openTarget(const std::string& path, Removal& failure);

}  // namespace orv::clean
