#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace codesniff {

// Last 1-based position of each byte value in a pattern, -1 where the byte does not
// occur: the bad-character rule of the Boyer-Moore search.
using BadCharacterTable = std::array<std::int32_t, 256>;

BadCharacterTable makeBadCharacterTable(std::string_view pattern);

// Boyer-Moore search with `table` built from `pattern`: 1-based position of the first
// occurrence of `pattern` in `text`, 0 when there is none or the pattern is empty.
std::int64_t findWithTable(std::string_view pattern, const BadCharacterTable& table,
                           std::string_view text);

// The same search building its own table.
std::int64_t FindText(std::string_view pattern, std::string_view text);

}  // namespace codesniff
