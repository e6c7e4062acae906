#include "sigmatch/signature_loader.h"

#include <algorithm>
#include <cstdint>

#include "sigmatch/posix_file.h"

namespace sigmatch {
namespace {

constexpr std::size_t kRecordsPerRead = 1024;
// The file's length is known, so the table is sized once; only beyond 16 million records
// (1.3 GiB) does it grow with what the reads really deliver.
constexpr std::uint64_t kMaxInitialReserve = 1u << 24;

}  // namespace

LoadedSignatures readSignatureRecords(ByteSource& source) {
  LoadedSignatures result;
  result.fileSize = source.size();
  const std::uint64_t wholeRecords =
      std::min<std::uint64_t>(result.fileSize / kRecordSize, INT32_MAX);
  result.records.reserve(static_cast<std::size_t>(std::min(wholeRecords, kMaxInitialReserve)));

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
