#pragma once

#include <cstdint>

#include "detect/process_identity.h"

namespace orv {

// Ends process `pid` at once (SIGKILL: it cannot be caught or ignored), but only while that id
// still belongs to the process described by `examined`; ids are given out again once a process
// has ended, and a stranger's process must never be hit in its place. True when the signal was
// delivered to that process.
bool terminateProcess(std::uint32_t pid, const ProcessIdentity& examined);

}  // namespace orv
