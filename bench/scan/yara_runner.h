#pragma once

#include <set>
#include <string>

namespace scanbench {

// The markers the content heuristic looks for, as yara rules: each as plain and as 16-bit
// text (yara cannot drop the bytes between letters as the heuristic does, so this is the
// nearest it comes to the same search).
std::string yaraMarkerRule();

// One yara rule per line of a hash database ("MD5:size:name"): the MD5 of the whole file,
// as the comparison scanner's hash database has it. Throws std::runtime_error.
std::string yaraHashRules(const std::string& hashDatabase);

struct YaraRun {
  bool started = false;
  int exitCode = -1;
  double wallMs = 0;            // from start to exit, the rules' load included
  double cpuMs = 0;             // processor time, all threads
  std::set<std::string> found;  // files at least one rule matched
  std::string output;           // for a failure message
};

// Compiles `rules` (the text of a rules file) with yarac into `compiled`: true on success.
bool compileYaraRules(const std::string& yarac, const std::string& rules,
                      const std::string& compiled);

// Runs yara with compiled rules over the files listed in `scanList` (one path a line), on
// `threads` threads.
YaraRun runYara(const std::string& yara, const std::string& compiled, const std::string& scanList,
                int threads);

}  // namespace scanbench
