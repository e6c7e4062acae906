#pragma once

#include <QByteArray>
#include <QString>

namespace orv {

// Gives a file new content whole or not at all. The content goes to a new file beside the
// old one, is flushed to the disk, and only then takes the old file's place in one rename, so
// that a kill, a full disk or a power cut leaves either the old file or the new one, never a
// part. The new file keeps the old one's permissions (and owner, when run as root); a link at
// the path is followed and its target replaced, so the link stays. A file that may not be
// written (read-only, or something other than a regular file) is refused like a plain write
// would refuse it, although the rename itself could replace it.
class ReplacementFile {
 public:
  explicit ReplacementFile(const QString& path);
  // Removes the new file unless it was committed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Writes `bytes` to the new file and flushes it; 0 or the errno of the failure.
  int write(const QByteArray& bytes);
  // Puts the written file in place of the old one; 0 or the errno of the failure.
  int commit();

 private:
  void discard();

  QByteArray m_path;
  QByteArray m_target;
  QByteArray m_temporary;
};

// Write and commit in one: 0 or the errno of the failure.
int replaceFile(const QString& path, const QByteArray& bytes);

}  // namespace orv
