#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "process_memory.h"

namespace orv {

// The kernel's Yama ptrace_scope (/proc/sys/kernel/yama/ptrace_scope): 0 lets a program read
// the memory of every process of its user, 1 only of its own children (the default of Ubuntu
// and Fedora), 2 only with administrator rights, 3 never. -1 where there is no Yama.
int readPtraceScope();

// Where the process monitor learns about the running processes: the four exports of libprocs
// and the kernel's memory reading, replaceable so that a test can make the list fail, narrow it
// to its own children or have the kernel refuse the memory.
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
  // Copies `length` bytes at `address` of process `pid`; false, with errno set, when they cannot
  // all be read.
  std::function<bool(std::uint32_t pid, std::uint64_t address, void* buffer, std::size_t length)>
      readMemory = &readProcessMemory;
  std::function<int()> ptraceScope = &readPtraceScope;

  // The exports of libprocs and the kernel's own answers.
  static ProcessSource libprocs();
};

}  // namespace orv
