#pragma once

#include <cstdint>
#include <string>

namespace orv::ras {

// The German text for a code this service returns or reports to a dial notifier, as
// single bytes (Windows-1252); empty for a code the service never gives.
std::string errorText(std::uint32_t code);

}  // namespace orv::ras
