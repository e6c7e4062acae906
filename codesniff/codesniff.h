#pragma once

// Heuristic content check: does a file name the functions a program uses to dial, or
// premium-rate number prefixes? The library keeps no state: any number of threads may call
// it at once.

#include <stdint.h>

#include "orv_export.h"
#include "short_text.h"

// Writes into `result` "OK" or the Latin-1 sentence that says what the program at
// `path` can do. Only files shorter than 524288 bytes are read unless `anyLength` is
// non-zero. Never fails: a file that cannot be read gives "OK".
ORV_EXPORT void CheckHeuristically(ShortText* result, const char* path, uint8_t anyLength);
