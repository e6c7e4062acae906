#pragma once

#include <string>
#include <vector>

namespace orvscan {

// Where the signatures are looked for when none are named, in this order: the installed
// file beside the program (<program folder>/../share/orv/orv.sig), then the per-user
// folder's (${XDG_DATA_HOME:-~/.local/share}/orv/orv.sig) that the desktop program uses.
std::vector<std::string> defaultSignatureFiles();

// The first of `candidates` that exists, else empty.
std::string firstExisting(const std::vector<std::string>& candidates);

struct LoadedSignatures {
  int count = 0;
  std::string problem;  // empty on success
};

// Loads the signature file into the signature library. The library only answers with a
// count, 0 for a file it cannot read: the file is checked first, so that the user learns
// what went wrong, and a file without a single signature is a problem too (a scan with it
// would call everything clean).
LoadedSignatures loadSignatures(const std::string& path);

}  // namespace orvscan
