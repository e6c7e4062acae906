#pragma once

#include <QString>
#include <ctime>

namespace orv {

// Dates and times in the user's regional formats (the C library's locale, as set from
// the environment at start): the short date and the long time of day.
QString shortDate(std::time_t when);
QString longTime(std::time_t when);
inline QString shortDateNow() {
  return shortDate(std::time(nullptr));
}
inline QString longTimeNow() {
  return longTime(std::time(nullptr));
}

}  // namespace orv
