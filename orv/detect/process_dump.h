#pragma once

#include <QString>
#include <cstdint>
#include <limits>

#include "detect/process_source.h"

namespace orv {

constexpr std::uint64_t kNoDumpLimit = std::numeric_limits<std::uint64_t>::max();

// Copies the memory block that holds the executable image of process `pid`, as `source`
// reports it, byte for byte into `file`. The file is made anew, readable and writable by the
// user only; whatever stood at that name before (a file, a symbolic link) is removed first and
// never written through.
//
// False, and no file written, when the block is unknown or cannot be read (no rights, the
// process has ended) or when it is `skipFrom` bytes or larger. Throws OrvError with the text
// for the user when the file cannot be created or written; a file written in part is removed.
bool DumpProcessImage(std::uint32_t pid, const QString& file,
                      const ProcessSource& source = ProcessSource::libprocs(),
                      std::uint64_t skipFrom = kNoDumpLimit);

// Removes the dump file; true when nothing is left at that name.
bool removeDumpFile(const QString& file);

}  // namespace orv
