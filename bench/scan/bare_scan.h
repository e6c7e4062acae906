#pragma once

#include <set>
#include <string>

namespace scanbench {

struct BareScan {
  int files = 0;
  std::set<std::string> found;  // paths of files a signature named
};

// The scan's own walk and signature check without the window: the program's directory
// walker handing each .EXE file to the loaded signature library. Shows how much of the
// scan's time the window's chores take.
BareScan bareScan(const std::string& root);

}  // namespace scanbench
