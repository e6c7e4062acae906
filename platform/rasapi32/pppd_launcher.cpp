#include "pppd_launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "rasapi32.h"

extern char** environ;

namespace orv::ras {
namespace {

std::uint32_t errorOfStart(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return RAS_ERROR_PPPD_MISSING;
    case EACCES:
    case EPERM:
      return RAS_ERROR_PPPD_NOT_PERMITTED;
    default:
      return RAS_ERROR_PPPD_NOT_STARTED;
  }
}

// Owns the attributes of one posix_spawn call.
class SpawnSetup {
 public:
  SpawnSetup() {
    m_ok =
        posix_spawnattr_init(&m_attributes) == 0 && posix_spawn_file_actions_init(&m_actions) == 0;
  }
  ~SpawnSetup() {
    posix_spawnattr_destroy(&m_attributes);
    posix_spawn_file_actions_destroy(&m_actions);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  bool prepare() {
    if (!m_ok) return false;
    // Its own session; every signal at its default and none blocked, whatever ours are.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    return posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                       POSIX_SPAWN_SETSIGDEF) == 0 &&
           posix_spawnattr_setsigmask(&m_attributes, &none) == 0 &&
           posix_spawnattr_setsigdefault(&m_attributes, &all) == 0 &&
           posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDWR, 0) == 0 &&
           posix_spawn_file_actions_adddup2(&m_actions, 0, 1) == 0 &&
           posix_spawn_file_actions_adddup2(&m_actions, 0, 2) == 0 &&
           // None of the program's other files (the window system, sockets) goes along.
           posix_spawn_file_actions_addclosefrom_np(&m_actions, 3) == 0;
  }

  const posix_spawnattr_t* attributes() const { return &m_attributes; }
  const posix_spawn_file_actions_t* actions() const { return &m_actions; }

 private:
  bool m_ok = false;
  posix_spawnattr_t m_attributes;
  posix_spawn_file_actions_t m_actions;
};

}  // namespace

Launch launchPppd(const std::string& pppd, const std::string& entry) {
  // Told apart before starting: a missing program, and one the user may not run (pppd is
  // for the members of group dip only).
  if (::access(pppd.c_str(), X_OK) != 0) return {errorOfStart(errno), -1};
  SpawnSetup setup;
  if (!setup.prepare()) return {RAS_ERROR_PPPD_NOT_STARTED, -1};
  std::vector<std::string> args{pppd, "call", entry, "nodetach"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int error =
      ::posix_spawn(&pid, pppd.c_str(), setup.actions(), setup.attributes(), argv.data(), environ);
  if (error != 0) return {errorOfStart(error), -1};
  return {RAS_SUCCESS, pid};
}

}  // namespace orv::ras
