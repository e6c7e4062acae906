#pragma once

#include <string_view>

#include "findings.h"
#include "vector_level.h"

namespace codesniff {

// Looks for all markers in one pass over the examined text: for the highest group above
// `aboveGroup` that has a marker in `text` (-1 for none) and, when `prefixes` is set, for
// a premium-rate prefix. Searching stops as soon as nothing still looked for can change
// that answer. Uses the processor's vector instructions where it has them.
Findings findMarkers(std::string_view text, int aboveGroup, bool prefixes);

// The same with the instructions of `level` at most, which the processor must have.
Findings findMarkersAt(VectorLevel level, std::string_view text, int aboveGroup, bool prefixes);

}  // namespace codesniff
