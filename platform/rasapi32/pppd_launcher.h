#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace orv::ras {

struct Launch {
  std::uint32_t error = 0;  // 0, or the service's code for why pppd did not start
  pid_t pid = -1;
};

// Starts `pppd call ENTRY nodetach` from the program at `pppd`, without a shell, in a session
// of its own with the standard streams on /dev/null, so that it outlives the program and no
// terminal signal of ours reaches it. "nodetach" keeps pppd in the process started here, so
// the pid given back stays the connection's handle (by default pppd forks itself away).
// The new process is a child of the caller, to be reaped by it.
Launch launchPppd(const std::string& pppd, const std::string& entry);

}  // namespace orv::ras
