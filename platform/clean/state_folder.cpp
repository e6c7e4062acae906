#include "state_folder.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv::clean {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string accountHome() {
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_dir)
    return {};
  return found->pw_dir;
}

bool absolute(const std::string& path) {
  return !path.empty() && path.front() == '/';
}

bool makeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

StateLocation currentStateLocation() {
  StateLocation location;
  location.trustEnvironment = ::geteuid() != 0 && ::getauxval(AT_SECURE) == 0;
  location.xdgStateHome = environment("XDG_STATE_HOME");
  location.home = environment("HOME");
  location.accountHome = accountHome();
  return location;
}

std::string pendingListFolder(const StateLocation& location) {
  std::string home = location.accountHome;
  if (location.trustEnvironment) {
    if (absolute(location.xdgStateHome)) return location.xdgStateHome + "/orv";
    if (absolute(location.home)) home = location.home;
  }
  if (!absolute(home)) return {};
  return home + "/.local/state/orv";
}

bool trustedOwnerAndMode(unsigned owner, unsigned mode) {
  return owner == ::geteuid() && (mode & (S_IWGRP | S_IWOTH)) == 0;
}

UniqueFd openTrustedFolder(const std::string& folder, bool create) {
  if (!absolute(folder)) return {};
  if (create && !makeFolders(folder)) return {};
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0 || !trustedOwnerAndMode(info.st_uid, info.st_mode))
    return {};
  return fd;
}

}  // namespace orv::clean
