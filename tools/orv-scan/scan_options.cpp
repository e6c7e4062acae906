#include "scan_options.h"

#include <cstdlib>

namespace orvscan {

const char* const kUsage =
    "Usage: orv-scan [OPTION]... PATH...\n"
    "Try 'orv-scan --help' for more.\n";

const char* const kHelp =
    "Usage: orv-scan [OPTION]... PATH...\n"
    "\n"
    "Looks for dialers, programs that make the modem dial premium-rate numbers. Every file\n"
    "named as a PATH is examined, whatever its name; below every folder named as a PATH, each\n"
    "file whose name ends in .exe (in any case) is, hidden ones included. A file is looked up\n"
    "among the signatures of known dialers and, with --heuristic, also judged by its content.\n"
    "Nothing is ever changed or deleted. Links to folders met inside a folder are not\n"
    "followed; fifos and devices are never opened.\n"
    "\n"
    "Options:\n"
    "  --signatures FILE  the signature file; by default ../share/orv/orv.sig beside the\n"
    "                     program, else ${XDG_DATA_HOME:-~/.local/share}/orv/orv.sig\n"
    "  --heuristic        also look inside each file for the functions a program dials with\n"
    "                     and for premium-rate prefixes (files of 512 KiB and more are not\n"
    "                     looked into)\n"
    "  --json             write JSON Lines: one object per finding, per file or folder that\n"
    "                     cannot be read, and the summary\n"
    "  --quiet            leave out the summary\n"
    "  --threads N        examine files on N threads (default: one per processor)\n"
    "  --help             show this text\n"
    "  --version          show the version\n"
    "\n"
    "Output: one line per finding on standard output, \"PATH: NAME\" for a known dialer and\n"
    "\"PATH: heuristic: TEXT\" for suspicious content. Names are written unambiguously:\n"
    "a backslash as \\\\, control characters as \\n, \\t, \\r, \\xHH, bytes that are not UTF-8\n"
    "as \\xHH, format and separator characters as \\uHHHH. Files and folders that cannot be\n"
    "read are named on standard error and counted; the summary follows there.\n"
    "\n"
    "Exit status: 0 nothing found, 1 something found (even if there were errors too),\n"
    "2 an error: wrong usage, a signature file that cannot be read, a PATH that does not\n"
    "exist or cannot be read.\n";

namespace {

bool parseThreads(const std::string& text, int& threads) {
  if (text.empty() || text.size() > 3) return false;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < 1 || value > 256) return false;
  threads = static_cast<int>(value);
  return true;
}

}  // namespace

bool parseOptions(const std::vector<std::string>& args, ScanOptions& options,
                  std::string& problem) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.paths.push_back(arg);
      continue;
    }
    // "--name=value" or "--name value".
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto value = [&](std::string& out) {
      if (equals != std::string::npos) {
        out = arg.substr(equals + 1);
        return true;
      }
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    const bool takesValue = name == "--signatures" || name == "--threads";
    if (equals != std::string::npos && !takesValue) {
      problem = "option '" + name + "' takes no value";
      return false;
    }
    std::string text;
    if (arg == "--") {
      optionsEnded = true;
    } else if (name == "--signatures") {
      if (!value(options.signatures) || options.signatures.empty()) {
        problem = "option '--signatures' needs a FILE";
        return false;
      }
    } else if (name == "--threads") {
      if (!value(text) || !parseThreads(text, options.threads)) {
        problem = "option '--threads' needs a number from 1 to 256";
        return false;
      }
    } else if (arg == "--heuristic") {
      options.heuristic = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else {
      problem = "unknown option '" + arg + "'";
      return false;
    }
  }
  if (options.paths.empty() && !options.help && !options.version) {
    problem = "no PATH given";
    return false;
  }
  return true;
}

}  // namespace orvscan
