#include "examination.h"

#include <algorithm>
#include <vector>

#include "file_reader.h"
#include "marker_scanner.h"

namespace codesniff {

Findings examineFile(const char* path, bool anyLength, const ExamineOptions& options) {
  FileReader file(path, options.skipHoles);
  if (!file.isOpen()) return {};
  if (file.size() >= kSizeLimit && !anyLength) return {};
  // Reading stops at the file's length, so larger buffers would only be cleared for nothing.
  ExamineOptions sized = options;
  const std::uint64_t size = std::max<std::uint64_t>(file.size(), 1);
  sized.blockSize = static_cast<std::size_t>(std::min<std::uint64_t>(options.blockSize, size));
  sized.textCapacity =
      static_cast<std::size_t>(std::min<std::uint64_t>(options.textCapacity, size));
  return examineBlocks(
      [&file](unsigned char* buffer, std::size_t capacity) { return file.read(buffer, capacity); },
      sized);
}

Findings examineBlocks(const BlockRead& read, const ExamineOptions& options) {
  // A fixed block, whatever the file's length: a file larger than memory is read
  // the same way as a small one.
  std::vector<unsigned char> block(std::max<std::size_t>(options.blockSize, 1));
  MarkerScanner scanner(options.textCapacity);
  while (!scanner.settled()) {
    const std::ptrdiff_t got = read(block.data(), block.size());
    if (got <= 0) break;
    scanner.feed(block.data(), std::min(static_cast<std::size_t>(got), block.size()));
  }
  scanner.finish();
  return scanner.findings();
}

}  // namespace codesniff
