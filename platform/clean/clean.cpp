#include "clean.h"

#include <cerrno>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "pending_removals.h"

namespace {

// The program binds this library when it is loaded, so a constructor runs exactly at program
// start: the moment the user was promised the removal. No export is needed for it.
__attribute__((constructor)) void removePendingAtStart() {
  orv::clean::retryPendingRemovals();
}

// Errors after which a later attempt may succeed: rights, a read-only or busy file system, an
// attribute, a passing shortage. The others (a folder, a path that cannot name a file) never do.
bool mayWorkLater(int error) {
  switch (error) {
    case EISDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
    case EFAULT:
      return false;
    default:
      return true;
  }
}

}  // namespace

ORV_EXPORT int32_t CleanIt(const char* path) {
  // Only a full path names a file for certain: a bare name such as the monitor's stand-in
  // text "Datei nicht ermittelt" would otherwise hit a file in whatever folder we run in, or
  // count as "gone" and be reported as removed.
  if (path == nullptr || path[0] != '/') return kCleanNotRemovable;
  const int savedErrno = errno;
  int32_t result = kCleanGone;
  try {
    struct stat identity {};
    const bool seen = ::lstat(path, &identity) == 0;
    if (!seen && (errno == ENOENT || errno == ENOTDIR)) {
      result = kCleanGone;
    } else if (seen && S_ISDIR(identity.st_mode)) {
      result = kCleanNotRemovable;
    } else if (::unlink(path) == 0 || errno == ENOENT || errno == ENOTDIR) {
      // unlink works on the name itself: a symbolic link goes, its target stays.
      result = kCleanGone;
    } else if (!mayWorkLater(errno)) {
      result = kCleanNotRemovable;
    } else {
      result = orv::clean::recordPendingRemoval(path, seen ? &identity : nullptr)
                   ? kCleanPending
                   : kCleanNotRemovable;
    }
  } catch (...) {
    result = kCleanNotRemovable;
  }
  errno = savedErrno;
  return result;
}
