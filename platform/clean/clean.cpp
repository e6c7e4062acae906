#include "clean.h"

#include <cerrno>
#include <string>

#include "pending_removals.h"
#include "removal.h"
#include "state_folder.h"

namespace {

// The program binds this library when it is loaded, so a constructor runs exactly at program
// start: the moment the user was promised the removal. No export is needed for it.
__attribute__((constructor)) void removePendingAtStart() {
  orv::clean::retryPendingRemovals(
      orv::clean::pendingListFolder(orv::clean::currentStateLocation()));
}

int32_t answerFor(orv::clean::Removal outcome) {
  switch (outcome) {
    case orv::clean::Removal::Gone:
      return kCleanGone;
    case orv::clean::Removal::Later:
      return kCleanPending;
    case orv::clean::Removal::Never:
      break;
  }
  return kCleanNotRemovable;
}

int32_t clean(const char* path) {
  using namespace orv::clean;
  // Only a full path names a file for certain: a bare name such as the monitor's stand-in
  // text "Datei nicht ermittelt" would otherwise hit a file in whatever folder we run in, or
  // count as "gone" and be reported as removed.
  if (path == nullptr || path[0] != '/') return kCleanNotRemovable;
  const RemovalAttempt attempt = removeFile(path);
  if (attempt.outcome != Removal::Later || !attempt.found) return answerFor(attempt.outcome);
  // Promised for the next start only once the record, with the file's identity, is on disk.
  return recordPendingRemoval(pendingListFolder(currentStateLocation()), path, *attempt.found)
             ? kCleanPending
             : kCleanNotRemovable;
}

}  // namespace

ORV_EXPORT int32_t CleanIt(const char* path) {
  const int savedErrno = errno;
  int32_t result = kCleanNotRemovable;
  try {
    result = clean(path);
  } catch (...) {
    result = kCleanNotRemovable;
  }
  errno = savedErrno;
  return result;
}
