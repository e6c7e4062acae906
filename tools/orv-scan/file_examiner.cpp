#include "file_examiner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "examination.h"
#include "file_reader.h"
#include "findings.h"
#include "regular_file.h"
#include "sigmatch/descriptor_source.h"
#include "sigmatch/fingerprint.h"

namespace orvscan {

static_assert(codesniff::kSizeLimit > sigmatch::kFingerprintHeadSize,
              "the buffer for the content check holds the head of any file");

FileExaminer::FileExaminer(const sigmatch::SignatureTable& signatures, bool heuristic)
    : m_signatures(signatures),
      m_heuristic(heuristic),
      m_buffer(
          new unsigned char[heuristic ? codesniff::kSizeLimit : sigmatch::kFingerprintHeadSize]) {}

void FileExaminer::examine(ScanItem& item) {
  struct stat info;
  const char* path = item.path.constData();
  const orv::UniqueFd file = item.listedRegular ? orv::openListedRegularFile(path, info)
                                                : orv::openRegularFile(path, info);
  if (!file) {
    item.outcome = info.st_mode == 0 ? ScanItem::Outcome::Unreadable : ScanItem::Outcome::NotAFile;
    item.error = errno;
    return;
  }
  item.outcome = ScanItem::Outcome::Examined;
  const std::uint64_t size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;

  // The content check reads every file below its size limit whole; otherwise the first bytes
  // are read at once, which holds most of what the fingerprint reads. The fingerprint takes
  // its chunks from what was read wherever it can.
  const bool readWhole =
      m_heuristic && size < codesniff::kSizeLimit && !codesniff::isKernelFileSystem(file.get());
  const std::uint64_t ahead = readWhole ? size : std::min(size, sigmatch::kFingerprintHeadSize);
  sigmatch::DescriptorSource direct(file.get(), size);
  const std::size_t got =
      sigmatch::readUpTo(direct, 0, m_buffer.get(), static_cast<std::size_t>(ahead));
  sigmatch::DescriptorSource source(file.get(), size, m_buffer.get(), got);
  orv::setShortText(&item.signature,
                    m_signatures.answer(sigmatch::computeFingerprint(source).view()));
  if (!m_heuristic) return;
  // Last, as it works in the buffer. A file it does not read holds nothing it looks for.
  const codesniff::Findings findings =
      readWhole ? codesniff::examineWholeFile(m_buffer.get(), got) : codesniff::Findings{};
  orv::setShortText(&item.heuristic, codesniff::resultText(findings));
  item.heuristicChecked = true;
}

}  // namespace orvscan
