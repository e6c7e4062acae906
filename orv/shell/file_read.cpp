#include "shell/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "detect/native_path.h"
#include "unique_fd.h"

namespace orv {
namespace {

FileRead failure(int error) {
  FileRead result;
  result.error = error;
  return result;
}

}  // namespace

FileRead readRegularFile(const QString& path, FileAccess access, qint64 limit, bool refuseLarger) {
  const QByteArray native = pathToNative(path);
  // Looked at before opening: opening a device can already do something.
  struct stat info {};
  if (::stat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode)) return failure(EACCES);

  const int mode = access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY;
  const UniqueFd fd(::open(native.constData(), mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) return failure(errno);
  // Whatever was put at the path meanwhile: only a regular file is read.
  if (::fstat(fd.get(), &info) != 0) return failure(errno);
  if (!S_ISREG(info.st_mode)) return failure(EACCES);
  if (refuseLarger && info.st_size > limit) return failure(EFBIG);

  FileRead result;
  result.bytes.resize(static_cast<qsizetype>(std::min<qint64>(limit, info.st_size)));
  qsizetype done = 0;
  while (done < result.bytes.size()) {
    const ssize_t n = ::read(fd.get(), result.bytes.data() + done,
                             static_cast<size_t>(result.bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return failure(errno);
    if (n == 0) break;  // shorter than it was a moment ago
    done += n;
  }
  result.bytes.truncate(done);
  return result;
}

}  // namespace orv
