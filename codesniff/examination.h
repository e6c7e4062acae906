#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "findings.h"

namespace codesniff {

// Files of this length or longer are examined only when the caller asks for any length.
constexpr std::uint64_t kSizeLimit = 524288;

struct ExamineOptions {
  std::size_t blockSize = 128 * 1024;  // bytes read at a time
  // Examined text gathered before a search: all of any file below the size limit.
  std::size_t textCapacity = kSizeLimit;
  bool skipHoles = true;
};

// Examines the file at `path`. Files that cannot be opened, are not regular files or
// are too long (unless `anyLength`) give no findings.
Findings examineFile(const char* path, bool anyLength, const ExamineOptions& options = {});

// Reads the next bytes into the buffer: the count, 0 at the end, negative on error.
using BlockRead = std::function<std::ptrdiff_t(unsigned char* buffer, std::size_t capacity)>;

// Examines the bytes of a whole file, read beforehand (for a caller that reads the file
// for other purposes too). The buffer is the working space: its bytes are changed.
Findings examineWholeFile(unsigned char* bytes, std::size_t size);

// Examines what `read` delivers until the end, a read error or a settled answer. After
// an error the findings are those of the bytes read before it.
Findings examineBlocks(const BlockRead& read, const ExamineOptions& options = {});

}  // namespace codesniff
