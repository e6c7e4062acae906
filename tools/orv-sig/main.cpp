// orv-sig: writes and lists the signature files the dialer scan matches files against.

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "sig_commands.h"

namespace {

constexpr const char* kUsage =
    "Usage: orv-sig add SIGFILE NAME FILE...\n"
    "       orv-sig list SIGFILE\n"
    "       orv-sig --help\n";

constexpr const char* kHelp =
    "\n"
    "Writes and lists ORV signature files (orv.sig): one record per known dialer, pairing\n"
    "the name the user is warned with and the fingerprint of the dialer's executable.\n"
    "\n"
    "Commands:\n"
    "  add   Append one record per FILE to SIGFILE (created when missing), each named NAME.\n"
    "        NAME is stored as Windows-1252 text of at most 50 bytes; it must not be empty\n"
    "        or \"OK\". Every FILE must be an executable (starting with \"MZ\" or \"ZM\") that\n"
    "        can be read; if one is not, nothing at all is written.\n"
    "  list  Print every record of SIGFILE as index, name and fingerprint, separated by tabs,\n"
    "        then the number of records. A fourth column notes records that can never match\n"
    "        a file, records with an empty fingerprint (they match every file that has\n"
    "        none), records hidden by an earlier one with the same fingerprint, and names\n"
    "        that look like a clean result.\n"
    "\n"
    "Exit status: 0 success, 1 failure (a failed add leaves SIGFILE unchanged), 2 wrong usage.\n";

int usageError(const std::string& problem) {
  std::cerr << "orv-sig: " << problem << "\n" << kUsage << "Try 'orv-sig --help'.\n";
  return orvsig::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << kHelp;
      return orvsig::kExitOk;
    }
  }
  if (args.empty()) return usageError("no command given");

  const std::string& command = args[0];
  if (command == "add") {
    if (args.size() < 4) return usageError("add needs SIGFILE, NAME and at least one FILE");
    return orvsig::addSignatures(args[1], args[2], {args.begin() + 3, args.end()}, std::cout,
                                 std::cerr);
  }
  if (command == "list") {
    if (args.size() != 2) return usageError("list needs exactly one SIGFILE");
    return orvsig::listSignatures(args[1], std::cout, std::cerr);
  }
  return usageError("unknown command '" + command + "'");
}
