#pragma once

#include <cstdint>
#include <string>

namespace scanbench {

struct WalkCount {
  int folders = 0;
  int files = 0;     // files handled (examined .EXE files, or all files for the warm-up)
  int mzHeaded = 0;  // of those, files starting "MZ" or "ZM"
  std::uint64_t bytesRead = 0;
};

// The floor for the disk scan: a bare readdir walk that opens every file named *.EXE (any
// ASCII case) and reads what the fingerprint reads (the first two bytes, then at most two
// chunks of 1024 bytes), without hashing, window or report.
WalkCount floorWalk(const std::string& root);

// The floor for a scan that fingerprints: as floorWalk, and the chunks read go through MD5
// as the fingerprint's do. `digests` counts the fingerprints made.
WalkCount digestWalk(const std::string& root, int* digests = nullptr);

// The floor for a scan that also looks into each file: the same walk, every .EXE read
// whole once, and nothing done with the bytes.
WalkCount wholeExeWalk(const std::string& root);

// Reads every file below `root` whole, so that timed passes find it all in the page cache.
WalkCount readWholeTree(const std::string& root);

}  // namespace scanbench
