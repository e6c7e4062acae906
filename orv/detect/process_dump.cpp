#include "detect/process_dump.h"

#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "detect/native_path.h"
#include "procs/procs.h"
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

// The file whose image the process runs, opened through the process itself: opening
// /proc/PID/exe is allowed exactly when we may look at the process (our own user's, or any as
// root), also under Yama. For a Windows program under Wine, the image is its .exe, which
// libprocs names (and has checked to be the file mapped); the loader is another file.
UniqueFd openImageFile(std::uint32_t pid, const ProcessSource& source) {
  UniqueFd exe(::open(("/proc/" + std::to_string(pid) + "/exe").c_str(), O_RDONLY | O_CLOEXEC));
  struct stat exeInfo {};
  if (!exe || ::fstat(exe.get(), &exeInfo) != 0) return {};
  std::vector<char> path(ORV_PROCESS_PATH_BUFFER, '\0');
  if (!source.processPath || source.processPath(pid, path.data(), ORV_PROCESS_PATH_BUFFER) == 0)
    return exe;
  UniqueFd named(::open(path.data(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat namedInfo {};
  if (!named || ::fstat(named.get(), &namedInfo) != 0 || !S_ISREG(namedInfo.st_mode) ||
      (namedInfo.st_dev == exeInfo.st_dev && namedInfo.st_ino == exeInfo.st_ino))
    return exe;
  return named;
}

// Fills `buffer` from the start of the file, or as far as the file goes; false when it cannot
// be read.
bool readImageFile(std::uint32_t pid, const ProcessSource& source,
                   std::vector<unsigned char>& buffer) {
  const UniqueFd file = openImageFile(pid, source);
  if (!file) return false;
  std::size_t got = 0;
  while (got < buffer.size()) {
    const ssize_t n =
        ::pread(file.get(), buffer.data() + got, buffer.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  buffer.resize(got);
  return got > 0;
}

}  // namespace

bool DumpProcessImage(std::uint32_t pid, const QString& file, const ProcessSource& source,
                      std::uint64_t skipFrom, ImageOrigin* origin) {
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
  ImageOrigin from = ImageOrigin::Memory;
  const bool read = source.readMemory ? source.readMemory(pid, base, buffer.data(), buffer.size())
                                      : readProcessMemory(pid, base, buffer.data(), buffer.size());
  if (!read) {
    const bool forbidden = errno == EPERM;
    if (!forbidden || !source.ptraceScope || source.ptraceScope() < 1) return false;
    if (!readImageFile(pid, source, buffer)) return false;
    from = ImageOrigin::ExecutableFile;
  }
  writeDump(file, buffer);
  if (origin) *origin = from;
  return true;
}

bool removeDumpFile(const QString& file) {
  return ::unlink(pathToNative(file).constData()) == 0 || errno == ENOENT;
}

}  // namespace orv
