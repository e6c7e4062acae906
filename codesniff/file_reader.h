#pragma once

#include <cstddef>
#include <cstdint>

#include "unique_fd.h"

namespace codesniff {

// Whether the open file `fd` belongs to one of the kernel's own file systems (/proc, /sys
// and the like), whose files are never examined: their lengths are not their contents
// (/proc/kcore claims terabytes) and reading some of them touches hardware.
bool isKernelFileSystem(int fd);

// Read-only access to one regular file, in blocks. Anything that is not a regular
// file (folder, device, fifo, socket) is not opened at all, so no call can block on a
// fifo without a writer or read an endless device. Files of the kernel's own file
// systems (/proc, /sys and the like) are refused too.
class FileReader {
 public:
  // `skipHoles`: jump over the holes of a sparse file. Holes read as zero bytes, which
  // the examined text drops anyway, so skipping them changes nothing but the time.
  explicit FileReader(const char* path, bool skipHoles = true);

  bool isOpen() const { return bool(m_fd); }
  // The file's length when it was opened. Reading stops there even if the file grows.
  std::uint64_t size() const { return m_size; }

  // Reads the next bytes into `buffer`: the count, 0 at the end, -1 on a read error.
  std::ptrdiff_t read(unsigned char* buffer, std::size_t capacity);

 private:
  void skipToData();

  orv::UniqueFd m_fd;
  std::uint64_t m_size = 0;
  std::uint64_t m_position = 0;
  bool m_skipHoles = false;
};

}  // namespace codesniff
