#pragma once

#include <cstdint>
#include <vector>

#include "sigmatch/byte_source.h"
#include "sigmatch/signature_record.h"

namespace sigmatch {

struct LoadedSignatures {
  enum class Status {
    Complete,        // every whole record of the file was read
    CannotOpen,      // missing, no access, ...; see openError
    NotRegularFile,  // a folder, a pipe, a device
    ReadError,       // reading stopped early; the records read before are kept
  };

  std::vector<SignatureRecord> records;
  Status status = Status::Complete;
  std::uint64_t fileSize = 0;
  int openError = 0;
};

// Reads the whole 84-byte records of a signature file in file order; bytes at the end that do
// not make a whole record are never read. A read that fails or ends early keeps exactly the
// records read in full before it. At most INT32_MAX records are read, so that the count
// always fits the library's 32-bit result.
LoadedSignatures readSignatureRecords(ByteSource& source);
LoadedSignatures loadSignatureFile(const char* path);

}  // namespace sigmatch
