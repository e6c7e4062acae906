#include "line_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "pidfd.h"
#include "pppd_pid_files.h"
#include "rasapi32.h"

namespace orv::ras {
namespace {

// How often a dial in progress looks for its link to come up.
constexpr std::chrono::milliseconds kProgressInterval{100};

std::uint32_t errorOfExit(int status) {
  if (WIFEXITED(status) && WEXITSTATUS(status) <= 19)
    return RAS_ERROR_PPPD_EXIT_BASE + static_cast<std::uint32_t>(WEXITSTATUS(status));
  return RAS_ERROR_PPPD_ENDED;
}

}  // namespace

LineWatcher::~LineWatcher() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  if (m_wake) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wake.get(), &one, sizeof one);
  }
  if (m_thread.joinable()) m_thread.join();
}

void LineWatcher::watchDial(UniqueFd pidfd, pid_t pid, const std::string& runDir,
                            DialNotifier notifier) {
  Watch watch;
  watch.pidfd = std::move(pidfd);
  watch.pid = pid;
  watch.ownChild = true;
  watch.runDir = runDir;
  watch.notifier = notifier;
  watch.progressDone = notifier.function == nullptr;
  add(std::move(watch));
}

void LineWatcher::killUnlessEnded(UniqueFd pidfd, pid_t pid, std::chrono::milliseconds after) {
  Watch watch;
  watch.pidfd = std::move(pidfd);
  watch.pid = pid;
  watch.killPending = true;
  watch.killAt = Clock::now() + after;
  add(std::move(watch));
}

void LineWatcher::add(Watch watch) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_stop) return;
  if (!m_wake) m_wake = UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  m_incoming.push_back(std::move(watch));
  if (!m_thread.joinable()) m_thread = std::thread([this] { run(); });
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(m_wake.get(), &one, sizeof one);
}

bool LineWatcher::tell(const Notice& n) {
  const auto handle = static_cast<RasHandle>(n.pid);
  if (n.notifier.kind == RAS_NOTIFIER_FUNC1) {
    reinterpret_cast<RasDialFunc1>(n.notifier.function)(handle, RAS_DIAL_EVENT, n.state, n.error,
                                                        0);
    return true;
  }
  return reinterpret_cast<RasDialFunc2>(n.notifier.function)(
             n.notifier.callbackId, n.notifier.subEntry, handle, RAS_DIAL_EVENT, n.state, n.error,
             0) != 0;
}

void LineWatcher::ended(Watch& watch, std::vector<Notice>& notices) {
  int status = -1;
  if (watch.ownChild) {
    // Still our child until reaped, so the pid cannot have passed to another process.
    while (::waitpid(watch.pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (!watch.progressDone)
    notices.push_back({watch.notifier, watch.pid, RAS_STATE_DISCONNECTED,
                       watch.ownChild && status >= 0 ? errorOfExit(status)
                                                     : std::uint32_t{RAS_ERROR_PPPD_ENDED}});
  watch.progressDone = true;
}

void LineWatcher::run() {
  std::vector<Watch> watches;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_stop) return;
      for (Watch& w : m_incoming) {
        // A hang-up of a pppd already watched only adds the deadline.
        const auto same = std::find_if(watches.begin(), watches.end(),
                                       [&](const Watch& o) { return o.pid == w.pid; });
        if (same != watches.end() && w.killPending) {
          same->killPending = true;
          same->killAt = w.killAt;
        } else {
          watches.push_back(std::move(w));
        }
      }
      m_incoming.clear();
    }

    std::vector<Notice> notices;
    const Clock::time_point now = Clock::now();
    for (Watch& w : watches) {
      if (!w.progressDone && !w.startReported) {
        notices.push_back({w.notifier, w.pid, RAS_STATE_OPEN_PORT, 0});
        notices.push_back({w.notifier, w.pid, RAS_STATE_CONNECT_DEVICE, 0});
        w.startReported = true;
      }
      if (w.killPending && now >= w.killAt) {
        signalThrough(w.pidfd, SIGKILL);
        w.killPending = false;
      }
      if (!w.progressDone && isLinkUp(w.runDir, static_cast<std::uint32_t>(w.pid))) {
        notices.push_back({w.notifier, w.pid, RAS_STATE_CONNECTED, 0});
        w.progressDone = true;
      }
    }

    // Wait for a process to end, a deadline, the next look at the link, or new work.
    int timeout = -1;
    for (const Watch& w : watches) {
      if (w.killPending) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(w.killAt - now);
        timeout = std::max(0, timeout < 0 ? static_cast<int>(left.count())
                                          : std::min(timeout, static_cast<int>(left.count())));
      }
      if (!w.progressDone)
        timeout = timeout < 0 ? static_cast<int>(kProgressInterval.count())
                              : std::min(timeout, static_cast<int>(kProgressInterval.count()));
    }
    // The notifier runs here, outside the lock: it may call the service itself.
    for (const Notice& n : notices) {
      if (tell(n)) continue;
      for (Watch& w : watches)
        if (w.pid == n.pid) w.progressDone = true;  // it asked for no more
    }

    std::vector<pollfd> fds{{m_wake.get(), POLLIN, 0}};
    for (const Watch& w : watches) fds.push_back({w.pidfd.get(), POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // never spin on a failure
    std::uint64_t drained = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_wake.get(), &drained, sizeof drained);

    std::vector<Notice> endings;
    std::vector<Watch> remaining;
    for (std::size_t i = 0; i < watches.size(); ++i) {
      if (fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR))
        ended(watches[i], endings);
      else
        remaining.push_back(std::move(watches[i]));
    }
    watches = std::move(remaining);
    for (const Notice& e : endings) tell(e);
  }
}

}  // namespace orv::ras
