#pragma once

#include <cstdint>
#include <functional>

namespace orv {

// Where the process monitor learns about the running processes: the four exports of libprocs,
// replaceable so that a test can make the list fail or narrow it to its own children.
struct ProcessSource {
  // Number of running processes; the caller sizes its id array by it.
  std::function<std::int32_t()> numberOfProcesses;
  // Fills `ids` (room for `limit` ids); 0 when the list cannot be had.
  std::function<std::int32_t(std::uint32_t* ids, std::int32_t limit)> processIdList;
  // Start address and length of the block holding the process's executable image.
  std::function<std::uint8_t(std::uint32_t pid, std::uint64_t* base, std::uint64_t* size)>
      processBaseSize;
  // The executable's path, zero-terminated, into `buffer` of `limit` bytes; 0 when unknown.
  std::function<std::int32_t(std::uint32_t pid, char* buffer, std::int32_t limit)> processPath;

  // The exports of libprocs.
  static ProcessSource libprocs();
};

}  // namespace orv
