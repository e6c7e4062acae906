#pragma once

#include <QByteArray>
#include <QString>

namespace orv {

enum class FileAccess { ReadOnly, ReadWrite };

struct FileRead {
  int error = 0;  // errno of the failure, 0 on success
  QByteArray bytes;
};

// Reads at most `limit` bytes from the start of the regular file at `path` (links followed).
// With ReadWrite the file is opened for writing too, so a file that may not be written cannot
// be read either. A folder, fifo, socket or device in its place fails with EACCES at once,
// without waiting for a writer and without touching the device. With `refuseLarger`, a file
// of more than `limit` bytes fails with EFBIG instead of being read in part.
FileRead readRegularFile(const QString& path, FileAccess access, qint64 limit, bool refuseLarger);

}  // namespace orv
