#pragma once

#include <cstdint>
#include <string>

namespace orv::ras {

// Whether pppd `pid` has its link up: pppd writes its pid into "pppN.pid" when the network
// interface exists (and into "ppp-LINKNAME.pid" with a link name) in its run folder.
bool isLinkUp(const std::string& runDir, std::uint32_t pid);

}  // namespace orv::ras
