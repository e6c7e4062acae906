#pragma once

#include <string>
#include <vector>

namespace orvscan {

enum ExitStatus { kExitClean = 0, kExitFound = 1, kExitError = 2 };

struct ScanOptions {
  std::vector<std::string> paths;
  std::string signatures;  // empty: the default places
  bool heuristic = false;
  bool json = false;
  bool quiet = false;
  int threads = 0;  // 0: one per processor
  bool help = false;
  bool version = false;
};

// Reads the command line (without the program name). On a mistake returns false with
// `problem` saying what was wrong.
bool parseOptions(const std::vector<std::string>& args, ScanOptions& options, std::string& problem);

extern const char* const kUsage;
extern const char* const kHelp;

}  // namespace orvscan
