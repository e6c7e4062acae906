#include "detect/process_source.h"

#include <fcntl.h>
#include <unistd.h>

#include "procs/procs.h"
#include "unique_fd.h"

namespace orv {

int readPtraceScope() {
  const UniqueFd fd(::open("/proc/sys/kernel/yama/ptrace_scope", O_RDONLY | O_CLOEXEC));
  char text[8] = {};
  if (!fd || ::read(fd.get(), text, sizeof text - 1) <= 0) return -1;
  return text[0] >= '0' && text[0] <= '9' ? text[0] - '0' : -1;
}

ProcessSource ProcessSource::libprocs() {
  return {&GetNumberOfProcesses, &GetProcessIDList, &GetProcessBaseSize, &GetProcessPath};
}

}  // namespace orv
