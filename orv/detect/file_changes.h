#pragma once

#include <cstdint>

namespace orv {

// Counts the moments at which files may have changed under a running disk scan because the
// program, or the user while the program waited for an answer, may have changed them: the
// end of a warning or of any box, a process monitor tick, a deletion. A signature look-up
// made ahead of the scan carries the count of its moment and is used only while the count
// is still the same (see DiskScan).
//
// A moment is noted once it is over (the box closed, the file removed), so that a look-up
// that saw the newer count began after the change.
class FileChanges {
 public:
  // The count now; any thread.
  static std::uint64_t count();
  // Something that may have changed files has just ended.
  static void note();
};

}  // namespace orv
