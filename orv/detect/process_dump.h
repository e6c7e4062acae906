#pragma once

#include <QString>
#include <cstdint>
#include <limits>

#include "detect/process_source.h"

namespace orv {

constexpr std::uint64_t kNoDumpLimit = std::numeric_limits<std::uint64_t>::max();

// Where the bytes of a dump came from.
enum class ImageOrigin {
  Memory,          // the process's memory, as the image lies there
  ExecutableFile,  // the file it runs: the kernel forbids reading its memory (Yama)
};

// Copies the memory block that holds the executable image of process `pid`, as `source`
// reports it, byte for byte into `file`. The file is made anew, readable and writable by the
// user only; whatever stood at that name before (a file, a symbolic link) is removed first and
// never written through.
//
// Where the kernel forbids reading other processes' memory (Yama's ptrace_scope 1 or more)
// while it still lets us open the file a process runs, the dump holds the first bytes of that
// file instead, as many as the image is long: the same bytes the image maps, so the heuristic
// check finds in them what it would find in memory. For a Windows program under Wine that file
// is its .exe. `origin` tells which of the two the dump holds.
//
// False, and no file written, when the block is unknown or cannot be read (no rights, the
// process has ended) or when it is `skipFrom` bytes or larger. Throws OrvError with the text
// for the user when the file cannot be created or written; a file written in part is removed.
bool DumpProcessImage(std::uint32_t pid, const QString& file,
                      const ProcessSource& source = ProcessSource::libprocs(),
                      std::uint64_t skipFrom = kNoDumpLimit, ImageOrigin* origin = nullptr);

// Removes the dump file; true when nothing is left at that name.
bool removeDumpFile(const QString& file);

}  // namespace orv
