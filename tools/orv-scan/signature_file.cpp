#include "signature_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "regular_file.h"
#include "sigmatch/sigmatch.h"
#include "terminal_text.h"
#include "user_data_home.h"

namespace orvscan {
namespace {

std::string programFolder() {
  std::string target(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return {};
  target.resize(static_cast<std::size_t>(length));
  return target.substr(0, target.rfind('/'));
}

}  // namespace

std::vector<std::string> defaultSignatureFiles() {
  std::vector<std::string> candidates;
  const std::string program = programFolder();
  if (!program.empty()) candidates.push_back(program + "/../share/orv/orv.sig");
  const std::string user = orv::userDataHome();
  if (!user.empty()) candidates.push_back(user + "/orv/orv.sig");
  return candidates;
}

std::string firstExisting(const std::vector<std::string>& candidates) {
  for (const std::string& candidate : candidates) {
    struct stat info;
    if (::stat(candidate.c_str(), &info) == 0) return candidate;
  }
  return {};
}

LoadedSignatures loadSignatures(const std::string& path) {
  LoadedSignatures loaded;
  const std::string shown = terminalText(path);
  struct stat info;
  if (!orv::openRegularFile(path.c_str(), info)) {
    loaded.problem = info.st_mode == 0
                         ? "cannot read signature file " + shown + ": " + std::strerror(errno)
                         : "signature file " + shown + " is not a regular file";
    return loaded;
  }
  loaded.count = InitDialersDatabase(path.c_str());
  if (loaded.count <= 0) loaded.problem = "signature file " + shown + " holds no signatures";
  return loaded;
}

}  // namespace orvscan
