#include "dialup/connection_list.h"

#include <cstddef>
#include <cstring>

namespace orv {

RasHandle TConnectionList::HandleAt(int i) const {
  RasHandle handle = 0;
  std::memcpy(&handle, At(i).data() + offsetof(RASCONNA, hrasconn), sizeof handle);
  return handle;
}

QByteArray TConnectionList::EntryNameAt(int i) const {
  const auto* name = reinterpret_cast<const char*>(At(i).data() + offsetof(RASCONNA, szEntryName));
  return QByteArray(name, static_cast<int>(::strnlen(name, RAS_MAX_ENTRY_NAME + 1)));
}

}  // namespace orv
