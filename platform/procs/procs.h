#pragma once

// libprocs: the running processes, the memory block of each one's executable image and the
// path of its executable file, read from /proc.

#include <stdint.h>

#include "orv_export.h"

// The number of running processes. The library remembers it: the next GetProcessIDList writes
// no more ids than this.
ORV_EXPORT int32_t GetNumberOfProcesses(void);

// Fills `ids` with the ids of the running processes and zeros after them. `limit` is the
// number of elements `ids` holds; the library writes at most min(limit, the count last returned
// by GetNumberOfProcesses) elements. Non-zero on success; 0 when no count was taken before, `ids`
// is null or /proc cannot be read.
ORV_EXPORT int32_t GetProcessIDList(uint32_t* ids, int32_t limit);

// The start address and length, within process `pid`, of the block holding its executable
// image (for a Windows program run by Wine: its .exe). True when the block could be located,
// which needs the rights to look at the process (our own user's, or any as root); the kernel
// may still refuse to let its memory be read (Yama's ptrace_scope).
ORV_EXPORT uint8_t GetProcessBaseSize(uint32_t pid, uint64_t* base, uint64_t* size);

// The path of the executable file of process `pid` as zero-terminated bytes in `buffer`, which
// holds min(ORV_PROCESS_PATH_BUFFER, limit) bytes. Non-zero on success; 0 when the path is unknown,
// would name another file than the one the process runs (replaced since, or seen from another mount
// namespace) or does not fit whole (a cut path would name another file); then nothing but a
// first zero byte is written.
ORV_EXPORT int32_t GetProcessPath(uint32_t pid, char* buffer, int32_t limit);

// The longest buffer GetProcessPath ever writes, terminating zero included: the longest path
// Linux hands out for a program (PATH_MAX). The 260 bytes of the Windows original would leave
// every deeper program without a path, and so without "Löschen" and "Erlauben".
#define ORV_PROCESS_PATH_BUFFER 4096
