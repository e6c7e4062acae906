#include "shell/locale_format.h"

namespace orv {
namespace {

QString format(const char* pattern, std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char buffer[128];
  const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &local);
  return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(n));
}

}  // namespace

QString shortDate(std::time_t when) {
  return format("%x", when);
}
QString longTime(std::time_t when) {
  return format("%X", when);
}

}  // namespace orv
