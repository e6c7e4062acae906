#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orvsig {

enum ExitCode { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Appends one record named `name` per file, with the file's fingerprint. Either every file
// gets its record or the signature file is left as it was.
int addSignatures(const std::string& sigPath, const std::string& name,
                  const std::vector<std::string>& files, std::ostream& out, std::ostream& err);

// Prints index, name and fingerprint of every record, tab-separated, with a note on records
// that do not behave like an ordinary signature.
int listSignatures(const std::string& sigPath, std::ostream& out, std::ostream& err);

}  // namespace orvsig
