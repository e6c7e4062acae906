#include "detect/process_source.h"

#include "procs/procs.h"

namespace orv {

ProcessSource ProcessSource::libprocs() {
  return {&GetNumberOfProcesses, &GetProcessIDList, &GetProcessBaseSize, &GetProcessPath};
}

}  // namespace orv
