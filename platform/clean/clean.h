#pragma once

// libclean: removes a file the user chose to delete, or arranges its removal at the next
// start of the program when that is not possible now.

#include <stdint.h>

#include "orv_export.h"

// Result of CleanIt.
enum {
  kCleanGone = 0,         // the file is gone (removed now, or there was nothing at the path)
  kCleanPending = 1,      // cannot be removed now; recorded for removal at the next start
  kCleanNotRemovable = 2  // cannot be removed and not recorded (a folder, a bad path, no record)
};

// Removes the file at the absolute `path` (zero-terminated bytes). A symbolic link is removed
// itself, never the file it points to; folders and relative paths are never removed.
ORV_EXPORT int32_t CleanIt(const char* path);
