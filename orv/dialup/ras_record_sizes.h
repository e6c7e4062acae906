#pragma once

#include <cstdint>

#include "rasapi32.h"

namespace orv {

// The size the connector writes into the first record it hands the service, by platform
// level (0: the oldest generation of the interface, 3: the newest; Linux is 3).
struct RasRecordSizes {
  std::uint32_t entryName;
  std::uint32_t connection;
  std::uint32_t dialParams;
  std::uint32_t entry;
  std::uint32_t connectionStatus;
};

inline constexpr RasRecordSizes kRasRecordSizes[4] = {
    {RAS_SIZE_ENTRYNAME_V1, RAS_SIZE_CONN_V1, RAS_SIZE_DIALPARAMS_V1, RAS_SIZE_ENTRY_V1,
     RAS_SIZE_CONNSTATUS_V1},
    {RAS_SIZE_ENTRYNAME_V1, RAS_SIZE_CONN_V2, RAS_SIZE_DIALPARAMS, RAS_SIZE_ENTRY_V2,
     RAS_SIZE_CONNSTATUS},
    {RAS_SIZE_ENTRYNAME, RAS_SIZE_CONN_V3, RAS_SIZE_DIALPARAMS, RAS_SIZE_ENTRY_V3,
     RAS_SIZE_CONNSTATUS},
    {RAS_SIZE_ENTRYNAME, RAS_SIZE_CONN, RAS_SIZE_DIALPARAMS, RAS_SIZE_ENTRY, RAS_SIZE_CONNSTATUS},
};

inline const RasRecordSizes& rasRecordSizes(int level) {
  return kRasRecordSizes[level & 3];
}

}  // namespace orv
