#pragma once

// libclean: removes a file the user chose to delete, or, when it is busy now, arranges its
// removal at the next start of the program.

#include <stdint.h>

#include "orv_export.h"

// Result of CleanIt.
enum {
  kCleanGone = 0,     // the file is gone (removed now, or there was nothing at the path)
  kCleanPending = 1,  // busy now (a mount point, a running image); recorded for the next start
  // Cannot be removed, and nothing was promised: missing rights, a read-only file system, the
  // immutable attribute, a folder, a path that names no file, or a record that could not be
  // written. Waiting for the next start would not change these.
  kCleanNotRemovable = 2
};

// Removes the file at the absolute `path` (zero-terminated bytes). A symbolic link is removed
// itself, never the file it points to; folders and relative paths are never removed.
ORV_EXPORT int32_t CleanIt(const char* path);
