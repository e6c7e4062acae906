#include "signature_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "sigmatch/signature_loader.h"
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

std::string loadSignatures(const std::string& path, sigmatch::SignatureTable& table) {
  const std::string shown = terminalText(path);
  table.clear();
  sigmatch::LoadedSignatures file;
  try {
    file = sigmatch::loadSignatureFile(path.c_str());
    table.assign(std::move(file.records));
  } catch (const std::bad_alloc&) {
    table.clear();
    return "cannot read signature file " + shown + ": " + std::strerror(ENOMEM);
  }
  using Status = sigmatch::LoadedSignatures::Status;
  if (file.status == Status::CannotOpen)
    return "cannot read signature file " + shown + ": " + std::strerror(file.openError);
  if (file.status == Status::NotRegularFile)
    return "signature file " + shown + " is not a regular file";
  if (table.count() <= 0) return "signature file " + shown + " holds no signatures";
  return {};
}

}  // namespace orvscan
