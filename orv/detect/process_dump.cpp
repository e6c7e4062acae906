#include "detect/process_dump.h"

#include <cerrno>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include "detect/native_path.h"
#include "process_memory.h"
#include "shell/orv_error.h"
#include "unique_fd.h"

namespace orv {
namespace {

QString ioErrorText(int error) {
  return QStringLiteral("E/A-Fehler %1").arg(error);
}

// Makes the file anew and writes `bytes` into it. Another program's memory goes in there, so:
// the old entry is unlinked (a link goes, its target stays untouched), and O_CREAT|O_EXCL lets
// the kernel refuse any entry that appears at the name meanwhile, a dangling link included,
// instead of following it; the mode 0600 holds from the first moment (umask only takes away).
void writeDump(const QString& file, const std::vector<unsigned char>& bytes) {
  const QByteArray name = pathToNative(file);
  ::unlink(name.constData());
  UniqueFd out(
      ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.get() < 0)
    throw OrvError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(file));
  const auto fail = [&](int error) {
    out.close();
    ::unlink(name.constData());
    throw OrvError(ioErrorText(error));
  };
  const unsigned char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(out.get(), data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(errno);
    if (n == 0) fail(EIO);
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (out.close() != 0) {
    const int error = errno;
    ::unlink(name.constData());
    throw OrvError(ioErrorText(error));
  }
}

}  // namespace

bool DumpProcessImage(std::uint32_t pid, const QString& file, const ProcessSource& source,
                      std::uint64_t skipFrom) {
  std::uint64_t base = 0;
  std::uint64_t size = 0;
  if (!source.processBaseSize || !source.processBaseSize(pid, &base, &size)) return false;
  if (size >= skipFrom || size > std::vector<unsigned char>().max_size()) return false;
  std::vector<unsigned char> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!readProcessMemory(pid, base, buffer.data(), buffer.size())) return false;
  writeDump(file, buffer);
  return true;
}

bool removeDumpFile(const QString& file) {
  return ::unlink(pathToNative(file).constData()) == 0 || errno == ENOENT;
}

}  // namespace orv
