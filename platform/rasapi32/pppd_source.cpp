#include "pppd_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "entry_dialog.h"
#include "phonebook.h"
#include "pidfd.h"
#include "pppd_launcher.h"
#include "pppd_pid_files.h"
#include "text_file.h"

namespace orv::ras {
PppdSource::PppdSource(ProcessTable& table) : m_table(table), m_processes(table) {}

std::string PppdSource::phonebook() const {
  return PppPaths::fromEnvironment().peersDir();
}

std::uint32_t PppdSource::entries(std::vector<PhonebookEntry>& out) {
  const Phonebook book(PppPaths::fromEnvironment());
  std::vector<std::string> names;
  const std::uint32_t result = book.list(names);
  if (result != RAS_SUCCESS) return result;
  for (std::string& name : names)
    out.push_back({std::move(name), RAS_ENTRY_ALL_USERS, book.paths().peersDir()});
  return RAS_SUCCESS;
}

std::uint32_t PppdSource::dialParameters(const std::string& name, DialParameters& out) {
  const PppPaths paths = PppPaths::fromEnvironment();
  PeerEntry entry;
  const std::uint32_t result = Phonebook(paths).load(name, entry);
  if (result != RAS_SUCCESS) return result;
  out.user = entry.config.user;
  out.passwordSaved = readSavedPassword(paths, entry.config, out.password);
  return RAS_SUCCESS;
}

std::uint32_t PppdSource::properties(const std::string& name, EntryProperties& out) {
  PeerEntry entry;
  const std::uint32_t result = Phonebook(PppPaths::fromEnvironment()).load(name, entry);
  if (result != RAS_SUCCESS) return result;
  out.setDialString(entry.number);
  if (entry.config.defaultRoute) out.options |= RAS_OPTION_REMOTE_DEFAULT_GATEWAY;
  out.deviceType = entry.config.deviceType;
  out.deviceName = entry.config.deviceName;
  out.script = entry.chatScript;
  if (entry.config.deviceType == "PPPoE" || entry.config.deviceType == "ATM")
    out.entryType = RAS_ENTRY_TYPE_BROADBAND;
  else if (entry.config.deviceType == "vpn")
    out.entryType = RAS_ENTRY_TYPE_VPN;
  return RAS_SUCCESS;
}

const PppdSource::Device& PppdSource::deviceOf(const PppdProcess& process) {
  const auto key = std::make_pair(process.pid, process.startTime);
  const auto known = m_devices.find(key);
  if (known != m_devices.end()) return known->second;
  Device device;
  PeerEntry entry;
  if (Phonebook(PppPaths::fromEnvironment()).load(process.entry, entry) == RAS_SUCCESS)
    device = {entry.config.deviceType, entry.config.deviceName};
  return m_devices.emplace(key, std::move(device)).first->second;
}

std::uint32_t PppdSource::activeConnections(std::vector<ActiveConnection>& out) {
  const PppPaths paths = PppPaths::fromEnvironment();
  const auto running = m_processes.running(paths.pppd);
  std::set<std::pair<std::uint32_t, std::uint64_t>> alive;
  for (const PppdProcess& p : running) {
    const Device& device = deviceOf(p);
    out.push_back({p.pid, p.entry, device.type, device.name, paths.peersDir()});
    alive.emplace(p.pid, p.startTime);
  }
  for (auto it = m_devices.begin(); it != m_devices.end();)
    it = alive.count(it->first) ? std::next(it) : m_devices.erase(it);
  return RAS_SUCCESS;
}

std::uint32_t PppdSource::dial(const std::string& name, const DialNotifier& notifier,
                               RasHandle& handle) {
  const PppPaths paths = PppPaths::fromEnvironment();
  PeerEntry entry;
  const std::uint32_t result = Phonebook(paths).load(name, entry);
  if (result != RAS_SUCCESS) return result;
  // A line that is already up or dialling is not dialled twice (the second pppd would only
  // find the modem taken); its handle is the answer.
  for (const PppdProcess& p : m_processes.running(paths.pppd)) {
    if (p.entry == name) {
      handle = p.pid;
      return RAS_SUCCESS;
    }
  }
  const Launch launch = launchPppd(paths.pppd, name);
  if (launch.error != RAS_SUCCESS) return launch.error;
  const auto pid = static_cast<std::uint32_t>(launch.pid);
  // Our child: the pid is its own until the watcher reaps it.
  UniqueFd pidfd = openPidfd(pid);
  const auto stat = m_table.stat(pid);
  m_processes.adopt({pid, stat ? stat->startTime : 0, name});
  if (pidfd) m_watcher.watchDial(std::move(pidfd), launch.pid, paths.runDir, notifier);
  handle = pid;
  return RAS_SUCCESS;
}

std::uint32_t PppdSource::hangUp(RasHandle handle) {
  // The pidfd first, then the check: if the check finds the reported process, the pidfd
  // (opened while that pid was already its own) holds the same one.
  UniqueFd pidfd = openPidfd(handle);
  if (!pidfd) return RAS_ERROR_INVALID_HANDLE;
  if (!m_processes.identify(handle, PppPaths::fromEnvironment().pppd))
    return RAS_ERROR_INVALID_HANDLE;
  switch (signalThrough(pidfd, SIGTERM)) {
    case 0:
      break;
    case EPERM:
      return RAS_ERROR_ACCESS_DENIED;  // another user's pppd, e.g. root's from boot
    case ESRCH:
      return RAS_ERROR_INVALID_HANDLE;
    default:
      return RAS_ERROR_INTERNAL;
  }
  m_watcher.killUnlessEnded(std::move(pidfd), static_cast<pid_t>(handle), kKillAfter);
  return RAS_SUCCESS;
}

std::uint32_t PppdSource::status(RasHandle handle, ConnectionStatus& out) {
  const PppPaths paths = PppPaths::fromEnvironment();
  const auto process = m_processes.identify(handle, paths.pppd);
  if (!process) return RAS_ERROR_INVALID_HANDLE;
  out.state = isLinkUp(paths.runDir, handle) ? RAS_STATE_CONNECTED : RAS_STATE_CONNECT_DEVICE;
  out.error = 0;
  const Device& device = deviceOf(*process);
  out.deviceType = device.type;
  out.deviceName = device.name;
  PeerEntry entry;
  if (Phonebook(paths).load(process->entry, entry) == RAS_SUCCESS) out.phoneNumber = entry.number;
  return RAS_SUCCESS;
}

std::uint32_t PppdSource::edit(std::uintptr_t owner, const std::string& entry) {
  return editEntryInDialog(owner, PppPaths::fromEnvironment(), entry);
}

std::uint32_t PppdSource::remove(const std::string& name) {
  if (!isEntryName(name)) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  const std::string path = PppPaths::fromEnvironment().peerFile(name);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  // A link is removed itself, never what it points to; the chat script stays, as other
  // peers may share it.
  if (::unlink(path.c_str()) == 0) return RAS_SUCCESS;
  if (errno == EACCES || errno == EPERM || errno == EROFS) return RAS_ERROR_ACCESS_DENIED;
  return errno == ENOENT ? RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY : RAS_ERROR_DELETE_FAILED;
}

}  // namespace orv::ras
