#include "dialup/connection_list.h"

#include <cstddef>
#include <cstring>

namespace orv {

RasHandle recordHandle(const TConnectionRecord& record) {
  RasHandle handle = 0;
  std::memcpy(&handle, record.data() + offsetof(RASCONNA, hrasconn), sizeof handle);
  return handle;
}

QByteArray recordEntryName(const TConnectionRecord& record) {
  const auto* name = reinterpret_cast<const char*>(record.data() + offsetof(RASCONNA, szEntryName));
  return QByteArray(name, static_cast<int>(::strnlen(name, RAS_MAX_ENTRY_NAME + 1)));
}

}  // namespace orv
