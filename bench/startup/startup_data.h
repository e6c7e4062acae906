#pragma once

#include <string>

namespace startupbench {

// A BaseDir with what ORV ships: its signature file, help text and the three settings
// files of a fresh install. `addedSignatures` records in orv-sig's format follow the shipped
// signature; each has a fingerprint of its own. Throws std::runtime_error.
void prepareBaseDir(const std::string& folder, const std::string& dataDir, int addedSignatures);

// Puts the shipped settings files back (ORV writes them when it ends).
void restoreSettings(const std::string& folder, const std::string& dataDir);

// The number of whole records in a signature file.
long signatureRecords(const std::string& file);

}  // namespace startupbench
