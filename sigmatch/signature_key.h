#pragma once

#include <cstdint>

namespace sigmatch {

// The one-byte key every character byte of a signature file is XOR-ed with. The library
// that reads signature files and the tool that writes them both take it from here, so
// the two can never disagree. Changing it makes every existing orv.sig unreadable.
inline constexpr std::uint8_t kSignatureKey = 0xA7;

}  // namespace sigmatch
