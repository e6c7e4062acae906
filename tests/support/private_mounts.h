#pragma once

// Mounts for tests that need a file the system holds busy (a mount point cannot be removed)
// while keeping the machine's own files out of reach. Everything happens in a mount namespace
// of the test process alone, which ends with it.

#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace orvtest {

// Moves this process into a mount namespace of its own; call it while the process has only
// one thread. False when not root or the kernel refuses.
inline bool enterPrivateMountNamespace() {
  return ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// The home folder of the effective user's account (not $HOME).
inline std::string accountHome() {
  const passwd* entry = ::getpwuid(::geteuid());
  return entry && entry->pw_dir ? entry->pw_dir : "";
}

// Puts an empty scratch file system over the account's home folder: as root, the program
// keeps its lists there whatever the environment says. False when that is not possible here,
// or when one of `inUse` (paths the test still needs) lies below that folder.
inline bool hideAccountHome(const std::vector<std::string>& inUse) {
  const std::string home = accountHome();
  if (home.size() < 2 || home.front() != '/') return false;
  for (const std::string& path : inUse)
    if (path.compare(0, home.size() + 1, home + "/") == 0) return false;
  return ::mount("tmpfs", home.c_str(), "tmpfs", 0, "size=1m,mode=0700") == 0;
}

inline void showAccountHome() {
  ::umount2(accountHome().c_str(), MNT_DETACH);
}

// Binds a file over itself: the very same file, now a mount point that cannot be removed.
inline bool makeBusy(const std::string& file) {
  return ::mount(file.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) == 0;
}

inline bool release(const std::string& file) {
  return ::umount2(file.c_str(), MNT_DETACH) == 0;
}

}  // namespace orvtest
