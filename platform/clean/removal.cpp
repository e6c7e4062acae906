#include "removal.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "unique_fd.h"

namespace orv::clean {
namespace {

Removal failedWith(int error) {
  return error == EBUSY || error == ETXTBSY ? Removal::Later : Removal::Never;
}

// One file to remove, named by its folder (held open) and its name there.
struct RemovalTarget {
  UniqueFd folder;
  std::string name;
};

// Opens the folder of the absolute `path`. Gone when there is no such folder; Never for a path
// that names no file; else the error's outcome.
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

}  // namespace

RemovalAttempt removeFile(const std::string& path, const FileIdentity* expected) {
  RemovalAttempt attempt;
  const auto target = openTarget(path, attempt.outcome);
  if (!target) return attempt;
  const auto entry = entryAt(target->folder.get(), target->name.c_str());
  if (!entry) {
    attempt.outcome = errno == ENOENT ? Removal::Gone : failedWith(errno);
    return attempt;
  }
  attempt.found = entry->identity;
  // A folder, or another file that took the name: not ours to remove.
  if (entry->isFolder || (expected && entry->identity != *expected)) {
    attempt.outcome = Removal::Never;
    return attempt;
  }
  const bool gone =
      ::unlinkat(target->folder.get(), target->name.c_str(), 0) == 0 || errno == ENOENT;
  attempt.outcome = gone ? Removal::Gone : failedWith(errno);
  return attempt;
}

}  // namespace orv::clean
