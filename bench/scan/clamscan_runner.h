#pragma once

#include <set>
#include <string>

namespace scanbench {

// One run of the comparison scanner over a tree, with nothing but the given hash database.
struct ClamscanRun {
  bool started = false;
  int exitCode = -1;  // 0 clean, 1 something found, 2 an error
  double wallMs = 0;  // from start to exit, the database load included
  double cpuMs = 0;   // processor time, all threads
  int scannedFiles = -1;
  int infectedFiles = -1;
  std::set<std::string> found;  // paths reported as found
  std::string output;           // everything it printed, for a failure message
};

// The names of the functions the content heuristic looks for as clamscan body signatures
// (.ndb lines), each as plain and as 16-bit text. The premium-rate prefixes are left out:
// alone they are no finding, and clamscan cannot tie one signature to another.
std::string clamMarkerSignatures();

// Runs `clamscan` on `folder`, recursively, only on names ending in .EXE in any ASCII case
// (as the disk scan does), printing found files and the summary. Only `database` (a file, or
// a folder of them) is loaded:
// never the system's databases, and nothing is fetched or updated.
ClamscanRun runClamscan(const std::string& clamscan, const std::string& database,
                        const std::string& folder);

}  // namespace scanbench
