#include "find_text.h"

namespace codesniff {

BadCharacterTable makeBadCharacterTable(std::string_view pattern) {
  BadCharacterTable table;
  table.fill(-1);
  // A marker longer than the table can count is never searched; the cap keeps the
  // entries meaningful for any caller.
  const auto m = static_cast<std::int64_t>(pattern.size());
  for (std::int64_t i = 1; i <= m && i <= INT32_MAX; ++i)
    table[static_cast<unsigned char>(pattern[static_cast<std::size_t>(i - 1)])] =
        static_cast<std::int32_t>(i);
  return table;
}

std::int64_t findWithTable(std::string_view pattern, const BadCharacterTable& table,
                           std::string_view text) {
  const auto m = static_cast<std::int64_t>(pattern.size());
  const auto n = static_cast<std::int64_t>(text.size());
  if (m == 0 || m > INT32_MAX) return 0;
  // Positions count from 1, as FindText returns them; the arrays from 0.
  const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  std::int64_t s = 0;
  while (s <= n - m) {
    std::int64_t j = m;
    while (j >= 1 && p[j - 1] == t[s + j - 1]) --j;
    if (j == 0) return s + 1;
    const std::int64_t k = table[t[s + j - 1]];
    if (k == -1)
      s += j;
    else if (k > j)
      s += 1;
    else
      s += j - k;
  }
  return 0;
}

std::int64_t FindText(std::string_view pattern, std::string_view text) {
  return findWithTable(pattern, makeBadCharacterTable(pattern), text);
}

}  // namespace codesniff
