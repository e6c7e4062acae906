#pragma once

#include <QString>

#include "unique_fd.h"

namespace orv {

// The name of this instance's dump file. Each tick writes the dump, has it judged and removes
// it; two ORVs on one BaseDir sharing a name would judge (and act on) each other's process.
// The first instance on a folder keeps the name "orv.dump"; any other running at the same
// time takes "orv.<its pid>.dump". Being first is a lock on the folder, held while the claim
// lives: it goes with the instance, even one that crashes, and leaves no file behind.
class DumpName {
 public:
  explicit DumpName(const QString& baseDir);
  DumpName(const DumpName&) = delete;
  DumpName& operator=(const DumpName&) = delete;

  const QString& path() const { return m_path; }

 private:
  UniqueFd m_folderLock;
  QString m_path;
};

}  // namespace orv
