#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

// File permissions do not stop root, and the tests run as root on CI. A check that needs
// them runs in a child process that has become the ordinary user "nobody".
enum class OrdinaryUserRun { Held, Failed, CannotDropRoot, CannotReachFolder };

// Runs `check` as an ordinary user. `folder` (the test's temporary folder, holding the files
// the check looks at) is opened to everyone first, so that only the files' own permissions
// decide; a folder the user still cannot reach is reported rather than taken as a result.
// `extraGroup` (not 0): a group the user belongs to besides its own.
inline OrdinaryUserRun runAsOrdinaryUser(const std::string& folder,
                                         const std::function<bool()>& check, gid_t extraGroup = 0) {
  ::chmod(folder.c_str(), 0755);
  const pid_t child = ::fork();
  if (child < 0) return OrdinaryUserRun::CannotDropRoot;
  if (child == 0) {
    if (::geteuid() == 0 && (::setgroups(extraGroup ? 1 : 0, &extraGroup) != 0 ||
                             ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(static_cast<int>(OrdinaryUserRun::CannotDropRoot));
    if (::access(folder.c_str(), X_OK) != 0)
      ::_exit(static_cast<int>(OrdinaryUserRun::CannotReachFolder));
    ::_exit(static_cast<int>(check() ? OrdinaryUserRun::Held : OrdinaryUserRun::Failed));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? static_cast<OrdinaryUserRun>(WEXITSTATUS(status))
                           : OrdinaryUserRun::Failed;
}
