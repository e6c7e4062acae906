#include "examination.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "file_reader.h"
#include "marker_scanner.h"
#include "marker_search.h"
#include "text_filter.h"

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
  // Not cleared: only what a read delivered is looked at.
  const std::size_t blockSize = std::max<std::size_t>(options.blockSize, 1);
  const std::unique_ptr<unsigned char[]> block(new unsigned char[blockSize]);
  MarkerScanner scanner(options.textCapacity);
  while (!scanner.settled()) {
    const std::ptrdiff_t got = read(block.get(), blockSize);
    if (got <= 0) break;
    scanner.feed(block.get(), std::min(static_cast<std::size_t>(got), blockSize));
  }
  scanner.finish();
  return scanner.findings();
}

Findings examineWholeFile(unsigned char* bytes, std::size_t size) {
  const std::size_t length = filterExamined(bytes, size, bytes);
  // One text searched once: the prefixes alone are no finding.
  Findings findings = findMarkers({reinterpret_cast<const char*>(bytes), length}, -1, true);
  findings.numberPrefix = findings.numberPrefix && findings.group >= 0;
  return findings;
}

}  // namespace codesniff
