#pragma once

#include <string>
#include <vector>

#include "sigmatch/signature_table.h"

namespace orvscan {

// Where the signatures are looked for when none are named, in this order: the installed
// file beside the program (<program folder>/../share/orv/orv.sig), then the per-user
// folder's (${XDG_DATA_HOME:-~/.local/share}/orv/orv.sig) that the desktop program uses.
std::vector<std::string> defaultSignatureFiles();

// The first of `candidates` that exists, else empty.
std::string firstExisting(const std::vector<std::string>& candidates);

// Loads the signature file into `table`, replacing what it held; returns what went wrong, empty
// on success. A file without a single signature is a problem too: a scan with it would call
// everything clean. A read that fails part-way keeps the records read in full before it, as
// the desktop program does.
std::string loadSignatures(const std::string& path, sigmatch::SignatureTable& table);

}  // namespace orvscan
