#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orv {

// What tells one process from a later one that was given the same id: its start time and the
// file it runs. Taken when a process is examined and compared again before acting on it.
struct ProcessIdentity {
  std::uint64_t startTime = 0;  // clock ticks after boot (field 22 of /proc/PID/stat)
  std::uint64_t device = 0;     // device and inode of the executable file
  std::uint64_t inode = 0;

  bool operator==(const ProcessIdentity& other) const {
    return startTime == other.startTime && device == other.device && inode == other.inode;
  }
  bool operator!=(const ProcessIdentity& other) const { return !(*this == other); }
  bool runsSameFile(const ProcessIdentity& other) const {
    return device == other.device && inode == other.inode;
  }
};

// The start time from the text of /proc/PID/stat, or nothing when the text is not such a line
// or tells of a process that has ended (states Z and X).
std::optional<std::uint64_t> parseStartTime(std::string_view statLine);

// The identity of the running process `pid`, or nothing when it has ended, is a kernel thread
// (no executable) or may not be inspected by us.
std::optional<ProcessIdentity> readProcessIdentity(std::uint32_t pid);

}  // namespace orv
