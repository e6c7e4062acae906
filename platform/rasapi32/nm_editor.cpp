#include "nm_editor.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <vector>

#include "pidfd.h"
#include "rasapi32.h"

extern char** environ;

namespace orv::ras {
namespace {

// NetworkManager's uuids are hex digits and dashes; anything else is not passed on.
bool isUuid(const std::string& uuid) {
  return !uuid.empty() && uuid.front() != '-' &&
         uuid.find_first_not_of("0123456789abcdefABCDEF-") == std::string::npos;
}

// The editor as a child of ours, without the program's open files.
pid_t spawnEditor(const std::string& program, const std::string& uuid) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  pid_t pid = -1;
  std::vector<std::string> args{program, "--edit", uuid};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawn_file_actions_addclosefrom_np(&actions, 3) != 0 ||
      ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

std::optional<std::uint32_t> runConnectionEditor(const std::string& program,
                                                 const std::string& uuid) {
  if (!isUuid(uuid) || ::access(program.c_str(), X_OK) != 0) return std::nullopt;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) return RAS_ERROR_NO_DIALOG;
  const pid_t pid = spawnEditor(program, uuid);
  if (pid < 0) return std::nullopt;
  const UniqueFd pidfd = openPidfd(static_cast<std::uint32_t>(pid));

  int status = 0;
  if (pidfd) {
    QEventLoop loop;
    QSocketNotifier ended(pidfd.get(), QSocketNotifier::Read);
    QObject::connect(&ended, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    // Ending the program ends every event loop of its thread; this one then returns.
    loop.exec();
    siginfo_t info{};
    if (::waitid(P_PIDFD, static_cast<id_t>(pidfd.get()), &info, WEXITED | WNOHANG) != 0 ||
        info.si_pid == 0)
      return RAS_SUCCESS;  // still open: the program is ending, the editor stays
    status = info.si_code == CLD_EXITED ? info.si_status : -1;
  } else {
    int waited = 0;
    while (::waitpid(pid, &waited, 0) < 0 && errno == EINTR) {
    }
    status = WIFEXITED(waited) ? WEXITSTATUS(waited) : -1;
  }
  // An editor that failed (no display, a profile it does not find) showed nothing.
  if (status != 0) return std::nullopt;
  return RAS_SUCCESS;
}

}  // namespace orv::ras
