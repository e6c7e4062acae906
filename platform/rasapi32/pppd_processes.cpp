#include "pppd_processes.h"

#include <algorithm>
#include <functional>

namespace orv::ras {
namespace {

std::string baseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The kernel keeps 15 bytes of a program's name.
bool sameComm(const std::string& comm, const std::string& name) {
  return !name.empty() && comm == name.substr(0, 15);
}

}  // namespace

std::optional<std::string> pppdEntry(const ProcessStat& stat, const std::string& cmdline,
                                     const std::string& pppdPath) {
  if (stat.ended() || cmdline.empty()) return std::nullopt;
  std::vector<std::string> args;
  for (std::size_t at = 0; at < cmdline.size();) {
    const std::size_t end = std::min(cmdline.find('\0', at), cmdline.size());
    args.emplace_back(cmdline, at, end - at);
    at = end + 1;
  }
  const std::string program = baseName(pppdPath);
  const bool isPppd = sameComm(stat.comm, "pppd") || sameComm(stat.comm, program) ||
                      baseName(args[0]) == "pppd" || args[0] == pppdPath;
  if (!isPppd) return std::nullopt;
  // A pppd that NetworkManager started reports to it through its plugin and belongs to a
  // profile of NetworkManager, which lists it; it is never listed a second time here.
  for (std::size_t i = 1; i + 1 < args.size(); ++i)
    if ((args[i] == "plugin" && baseName(args[i + 1]).rfind("nm-pppd-plugin", 0) == 0) ||
        (args[i] == "ipparam" && args[i + 1].rfind("/org/freedesktop/NetworkManager/", 0) == 0))
      return std::nullopt;
  // pppd reads "call NAME" wherever it stands, and reads every one: options of a later peer
  // override an earlier one's (its connect line, its device), so the last one names the peer.
  std::optional<std::string> entry;
  for (std::size_t i = 1; i + 1 < args.size(); ++i)
    if (args[i] == "call" && !args[i + 1].empty()) entry = args[++i];
  return entry;
}

void PppdProcesses::judge(std::uint32_t pid, Verdict& verdict) {
  verdict.entry.reset();
  verdict.startTime = 0;
  const auto stat = m_table.stat(pid);
  const auto cmdline = m_table.cmdline(pid);
  if (!stat || !cmdline) return;
  verdict.startTime = stat->startTime;
  verdict.cmdlineHash = std::hash<std::string>{}(*cmdline);
  verdict.entry = pppdEntry(*stat, *cmdline, m_pppdPath);
}

void PppdProcesses::rescan() {
  if (!m_table.listPids(m_listing)) return;
  // Updated in place: most processes are known, and rebuilding the table every time a
  // process starts somewhere costs more than the look at /proc itself.
  ++m_generation;
  bool setChanged = false;
  for (const PidEntry& p : m_listing) {
    auto [it, added] = m_verdicts.try_emplace(p.pid);
    Verdict& v = it->second;
    if (added || (v.inode != p.inode && v.inode != 0)) {
      v = Verdict{};
      judge(p.pid, v);
      setChanged = true;
    }
    v.inode = p.inode;
    v.seen = m_generation;
  }
  for (auto it = m_verdicts.begin(); it != m_verdicts.end();) {
    if (it->second.seen != m_generation) {
      it = m_verdicts.erase(it);
      setChanged = true;
    } else {
      ++it;
    }
  }
  if (setChanged || m_rotation.size() != m_verdicts.size()) {
    m_rotation.clear();
    for (const auto& entry : m_verdicts) m_rotation.push_back(entry.first);
  }
}

void PppdProcesses::lookAgain() {
  const std::uint64_t now = m_table.ticksSinceBoot();
  const std::uint64_t young = kYoungSeconds * m_table.ticksPerSecond();
  std::vector<std::uint32_t> gone;
  // A changed command line means the process ran exec: it is judged again.
  auto recheck = [&](std::uint32_t pid, Verdict& v) {
    const auto cmdline = m_table.cmdline(pid);
    if (!cmdline)
      gone.push_back(pid);
    else if (std::hash<std::string>{}(*cmdline) != v.cmdlineHash)
      judge(pid, v);
  };
  // The known pppd processes, and the young ones.
  for (auto& [pid, v] : m_verdicts) {
    if (v.entry) {
      const auto stat = m_table.stat(pid);
      if (!stat || stat->ended() || stat->startTime != v.startTime) gone.push_back(pid);
    } else if (now < v.startTime + young) {
      recheck(pid, v);
    }
  }
  // A few of the others in turn.
  for (std::size_t n = 0; n < kRecheckedPerCall && !m_rotation.empty(); ++n) {
    if (m_rotationAt >= m_rotation.size()) m_rotationAt = 0;
    const std::uint32_t pid = m_rotation[m_rotationAt++];
    const auto v = m_verdicts.find(pid);
    if (v != m_verdicts.end() && !v->second.entry) recheck(pid, v->second);
  }
  for (const std::uint32_t pid : gone) m_verdicts.erase(pid);
}

void PppdProcesses::probe(std::uint32_t from, std::uint32_t to) {
  for (std::uint32_t pid = from; pid <= to; ++pid) {
    const auto stat = m_table.stat(pid);
    if (!stat) {
      m_verdicts.erase(pid);
      continue;
    }
    auto [it, added] = m_verdicts.try_emplace(pid);
    // A pppd the service has just started itself is known before its arguments show in
    // /proc: judging it now, before its exec, would lose it until the exec is seen.
    if (!added && it->second.entry && it->second.startTime == stat->startTime) continue;
    it->second = Verdict{};  // a new process, also where an old one had the pid
    judge(pid, it->second);
    if (added) m_rotation.push_back(pid);
  }
}

std::vector<PppdProcess> PppdProcesses::running(const std::string& pppdPath) {
  if (pppdPath != m_pppdPath) {
    // Verdicts depend on which program counts as pppd.
    m_pppdPath = pppdPath;
    m_verdicts.clear();
    m_lastPid.reset();
  }
  const auto lastPid = m_table.lastPid();
  if (!lastPid || !m_lastPid) {
    rescan();
  } else if (*lastPid > *m_lastPid && *lastPid - *m_lastPid <= kProbedPids) {
    // The kernel hands out pids upwards: what started since the last look is in between.
    probe(*m_lastPid + 1, *lastPid);
  } else if (*lastPid != *m_lastPid) {
    rescan();  // many started, or the pids wrapped around
  }
  m_lastPid = lastPid;
  lookAgain();

  std::vector<PppdProcess> found;
  for (const auto& [pid, v] : m_verdicts)
    if (v.entry) found.push_back({pid, v.startTime, *v.entry});
  std::sort(found.begin(), found.end(), [](const PppdProcess& a, const PppdProcess& b) {
    return a.startTime != b.startTime ? a.startTime < b.startTime : a.pid < b.pid;
  });
  for (const PppdProcess& p : found) remember(p);
  return found;
}

std::optional<PppdProcess> PppdProcesses::identify(std::uint32_t handle,
                                                   const std::string& pppdPath) {
  const auto stat = m_table.stat(handle);
  if (!stat || stat->ended()) return std::nullopt;
  const auto reported = m_reported.find(handle);
  if (reported != m_reported.end()) {
    if (reported->second.startTime != stat->startTime) return std::nullopt;
    return reported->second;
  }
  const auto cmdline = m_table.cmdline(handle);
  if (!cmdline) return std::nullopt;
  const auto entry = pppdEntry(*stat, *cmdline, pppdPath);
  if (!entry) return std::nullopt;
  const PppdProcess process{handle, stat->startTime, *entry};
  remember(process);
  return process;
}

void PppdProcesses::adopt(const PppdProcess& process) {
  Verdict v;
  v.startTime = process.startTime;
  v.entry = process.entry;
  if (const auto cmdline = m_table.cmdline(process.pid))
    v.cmdlineHash = std::hash<std::string>{}(*cmdline);
  m_verdicts[process.pid] = std::move(v);
  remember(process);
}

void PppdProcesses::remember(const PppdProcess& process) {
  const auto known = m_reported.find(process.pid);
  if (known != m_reported.end()) {
    known->second = process;
    return;
  }
  m_reported.emplace(process.pid, process);
  m_reportedOrder.push_back(process.pid);
  while (m_reportedOrder.size() > kRememberedHandles) {
    m_reported.erase(m_reportedOrder.front());
    m_reportedOrder.pop_front();
  }
}

}  // namespace orv::ras
