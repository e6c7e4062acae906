#pragma once

#include <cstdint>

namespace orv {

// The option record: the file image of "orv.conf" and the live holder of the lock and sound
// flags, which the warnings read. Little-endian numbers; flag bytes hold 1 or 0.
#pragma pack(push, 1)
struct TSettings {
  uint8_t AutoStart = 0;
  uint8_t Minimiert = 0;
  uint8_t Sperre = 0;
  uint8_t Warnsignal = 0;
  uint8_t ScanRAS = 0;
  uint8_t reserved5[3] = {0, 0, 0};
  int32_t IntervallRAS = 0;
  uint8_t reserved12 = 0;
  uint8_t CheckMemory = 0;
  uint8_t UseHeur = 0;
  uint8_t reserved15 = 0;
  int32_t IntervallMEM = 0;
  uint8_t ReportOnly = 0;
  uint8_t reserved21[3] = {0, 0, 0};
};
#pragma pack(pop)

static_assert(sizeof(TSettings) == 24, "orv.conf holds one 24-byte record");

}  // namespace orv
