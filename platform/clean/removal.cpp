#include "removal.h"

#include <cerrno>

#include <fcntl.h>

namespace orv::clean {

bool mayPassLater(int error) {
  return error == EBUSY || error == ETXTBSY;
}

Removal failedWith(int error) {
  return mayPassLater(error) ? Removal::Later : Removal::Never;
}

std::optional<RemovalTarget> openTarget(const std::string& path, Removal& failure) {
  failure = Removal::Never;
  if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) return {};
  const std::size_t slash = path.rfind('/');
  std::string name = path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return {};
  const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
  UniqueFd fd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!fd) {
    failure = errno == ENOENT || errno == ENOTDIR ? Removal::Gone : failedWith(errno);
    return {};
  }
  return RemovalTarget{std::move(fd), std::move(name)};
}

}  // namespace orv::clean
