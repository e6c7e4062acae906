#include "procs.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "process_image.h"

namespace {

// The count last handed out: the caller sized its id array by it.
std::atomic<std::int32_t> g_lastCount{-1};

}  // namespace

ORV_EXPORT int32_t GetNumberOfProcesses(void) {
  std::int32_t count = 0;
  try {
    if (const auto ids = orv::procs::listProcessIds())
      count = static_cast<std::int32_t>(std::min<std::size_t>(ids->size(), INT32_MAX));
  } catch (...) {
    count = 0;
  }
  g_lastCount = count;
  return count;
}

ORV_EXPORT int32_t GetProcessIDList(uint32_t* ids, int32_t limit) {
  const std::int32_t count = g_lastCount;
  if (ids == nullptr || count < 0) return 0;
  const auto room = static_cast<std::size_t>(std::max(0, std::min(count, limit)));
  try {
    const auto running = orv::procs::listProcessIds();
    if (!running) return 0;
    // Processes started since the count wait for the next call; gone ones leave zeros.
    const std::size_t n = std::min(room, running->size());
    std::copy_n(running->begin(), n, ids);
    std::fill(ids + n, ids + room, 0U);
    return 1;
  } catch (...) {
    return 0;
  }
}

ORV_EXPORT uint8_t GetProcessBaseSize(uint32_t pid, uint64_t* base, uint64_t* size) {
  if (base == nullptr || size == nullptr) return 0;
  try {
    // Whether its memory may be read is the caller's to find out: under Yama the mappings of
    // our user's processes can be seen, their memory not, and the caller reads the file then.
    const auto block = orv::procs::locateImage(pid);
    if (!block) return 0;
    *base = block->base;
    *size = block->size;
    return 1;
  } catch (...) {
    return 0;
  }
}

ORV_EXPORT int32_t GetProcessPath(uint32_t pid, char* buffer, int32_t limit) {
  if (buffer == nullptr || limit <= 0) return 0;
  const auto room = static_cast<std::size_t>(std::min(limit, ORV_PROCESS_PATH_BUFFER));
  buffer[0] = '\0';
  try {
    const auto path = orv::procs::executablePath(pid);
    if (!path || path->empty() || path->size() >= room || path->find('\0') != std::string::npos)
      return 0;
    std::memcpy(buffer, path->data(), path->size());
    buffer[path->size()] = '\0';
    return 1;
  } catch (...) {
    return 0;
  }
}
