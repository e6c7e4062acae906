#pragma once

#include <memory>

#include "scan_item.h"
#include "sigmatch/signature_table.h"

namespace orvscan {

// Examines one file after another on one thread. Each file is opened once: the fingerprint
// and the content check read from that one descriptor, and a file the content check reads
// whole is read once, into a buffer both share. The answers are those of the two libraries'
// exports for the same file.
class FileExaminer {
 public:
  // `signatures` must stay as it is while files are examined.
  FileExaminer(const sigmatch::SignatureTable& signatures, bool heuristic);

  // Opens `item.path` (never a fifo or device) and fills in its outcome and answers.
  void examine(ScanItem& item);

 private:
  const sigmatch::SignatureTable& m_signatures;
  const bool m_heuristic;
  // Room for any file the content check reads; not cleared, as only what was read is used.
  std::unique_ptr<unsigned char[]> m_buffer;
};

}  // namespace orvscan
