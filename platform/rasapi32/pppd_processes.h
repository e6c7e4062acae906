#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "process_table.h"

namespace orv::ras {

// A running pppd that serves a phonebook entry (`pppd call NAME`).
struct PppdProcess {
  std::uint32_t pid = 0;
  std::uint64_t startTime = 0;
  std::string entry;
};

// The entry a process serves when it is pppd started with "call NAME": its program file
// (comm) or its first argument is named pppd or is `pppdPath`. Nothing for anything else,
// and nothing for a pppd of NetworkManager's (its connections come from NetworkManager).
std::optional<std::string> pppdEntry(const ProcessStat& stat, const std::string& cmdline,
                                     const std::string& pppdPath);

// Finds the running pppd processes, however they were started, and tells whether a handle
// still names the process it was given for.
//
// It is asked every second while the dial-up monitor runs, on machines with many processes,
// so it remembers its verdict on every process (keyed by pid and the inode of /proc/PID) and
// looks again only at what may have changed. The kernel hands out pids upwards and shows the
// last one: the pids between the last look's and now's are the processes started since (all
// of /proc is read again only when many started or the pids wrapped around). Every call also
// looks at the known pppd processes (ended?), at processes younger than a few seconds (a
// starter such as `pon` becomes pppd by exec right after it starts), and at a few of the
// others in turn, so that even a late exec into pppd is found within about a minute.
class PppdProcesses {
 public:
  explicit PppdProcesses(ProcessTable& table) : m_table(table) {}

  // The pppd processes serving an entry now, oldest first (ties by pid): a stable order.
  std::vector<PppdProcess> running(const std::string& pppdPath);

  // The pppd behind `handle`, when it is still the process that was reported under that
  // handle (same start time, not ended). A handle never reported is taken when it names a
  // running pppd serving an entry.
  std::optional<PppdProcess> identify(std::uint32_t handle, const std::string& pppdPath);

  // A pppd the service has just started itself: reported under its pid from now on, even
  // before its arguments show in /proc.
  void adopt(const PppdProcess& process);

  // Tuning, exposed for the tests.
  static constexpr std::uint64_t kYoungSeconds = 3;
  static constexpr std::size_t kRecheckedPerCall = 16;
  static constexpr std::uint32_t kProbedPids = 256;
  static constexpr std::size_t kRememberedHandles = 256;

 private:
  struct Verdict {
    std::uint64_t inode = 0;  // 0: not known yet (adopted before it was listed)
    std::uint64_t startTime = 0;
    std::size_t cmdlineHash = 0;
    std::optional<std::string> entry;  // set: a pppd serving that entry
    std::uint64_t seen = 0;            // the last look at /proc that listed it
  };

  void rescan();
  void lookAgain();
  void probe(std::uint32_t from, std::uint32_t to);
  void judge(std::uint32_t pid, Verdict& verdict);
  void remember(const PppdProcess& process);

  ProcessTable& m_table;
  std::string m_pppdPath;
  std::optional<std::uint32_t> m_lastPid;
  std::unordered_map<std::uint32_t, Verdict> m_verdicts;
  std::vector<std::uint32_t> m_rotation;  // the remembered pids, in the order they are rechecked
  std::size_t m_rotationAt = 0;
  std::vector<PidEntry> m_listing;  // kept to spare an allocation per call
  std::uint64_t m_generation = 0;

  // Handles handed out with the start time of their process, so that a pid taken over by
  // a later process is never mistaken for it.
  std::unordered_map<std::uint32_t, PppdProcess> m_reported;
  std::deque<std::uint32_t> m_reportedOrder;
};

}  // namespace orv::ras
