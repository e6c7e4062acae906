#pragma once

// libsigmatch: the database of known dialers and the file fingerprint they are recognised by.
// InitDialersDatabase must not run while any other call does. ScanDialers only reads the
// loaded table, so it may run on several threads at once (the disk scan looks files up
// ahead on a thread of its own; orv-scan examines files on several).

#include <stdint.h>

#include "orv_export.h"
#include "short_text.h"

// Loads the signature file at `path`, replacing whatever was loaded before, and returns the
// number of signatures now held. A file that cannot be read gives 0 (nothing loaded); a
// read that fails part-way keeps the records read in full before it.
ORV_EXPORT int32_t InitDialersDatabase(const char* path);

// Writes into `result` the name of the first loaded signature that matches the file at
// `path`, or "OK" when none does. Writes at most result->length + 1 bytes of the buffer.
ORV_EXPORT void ScanDialers(ShortText* result, const char* path);
