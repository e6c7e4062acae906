#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::ras {

// What /proc/PID/stat tells about a process.
struct ProcessStat {
  std::uint64_t startTime = 0;  // clock ticks after boot; with the pid, names one process
  char state = '?';             // 'Z' and 'X': ended, only not yet reaped
  std::string comm;             // the name of the program file it runs (15 bytes at most)

  bool ended() const { return state == 'Z' || state == 'X'; }
};

struct PidEntry {
  std::uint32_t pid = 0;
  std::uint64_t inode = 0;  // of /proc/PID: a new process under an old pid gets a new one
};

// The machine's processes as the service needs them. The real one reads /proc; tests put
// a table of their own in its place.
class ProcessTable {
 public:
  virtual ~ProcessTable() = default;
  // The last process id the kernel handed out; unchanged means no process was started.
  virtual std::optional<std::uint32_t> lastPid() = 0;
  virtual bool listPids(std::vector<PidEntry>& out) = 0;
  virtual std::optional<ProcessStat> stat(std::uint32_t pid) = 0;
  // The arguments, each ended by a zero byte, as /proc/PID/cmdline gives them.
  virtual std::optional<std::string> cmdline(std::uint32_t pid) = 0;
  virtual std::uint64_t ticksSinceBoot() = 0;
  virtual std::uint64_t ticksPerSecond() = 0;
};

class ProcFsTable final : public ProcessTable {
 public:
  std::optional<std::uint32_t> lastPid() override;
  bool listPids(std::vector<PidEntry>& out) override;
  std::optional<ProcessStat> stat(std::uint32_t pid) override;
  std::optional<std::string> cmdline(std::uint32_t pid) override;
  std::uint64_t ticksSinceBoot() override;
  std::uint64_t ticksPerSecond() override;
};

// The fields of a /proc/PID/stat line, or nothing when it is not one.
std::optional<ProcessStat> parseProcStat(std::string_view line);

}  // namespace orv::ras
