#include "shell/replacement_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QRandomGenerator>
#include <cerrno>

#include "detect/native_path.h"
#include "unique_fd.h"

namespace orv {
namespace {

// The file a link at `path` finally points to (also when that file does not exist yet), or
// `path` itself.
int resolveLinks(const QByteArray& path, QByteArray& target) {
  target = path;
  for (int hops = 0;; ++hops) {
    struct stat info {};
    if (::lstat(target.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) return 0;
    if (hops == 40) return ELOOP;
    char link[PATH_MAX];
    const ssize_t length = ::readlink(target.constData(), link, sizeof link);
    if (length < 0) return errno;
    if (length == static_cast<ssize_t>(sizeof link)) return ENAMETOOLONG;
    const QByteArray next(link, length);
    const qsizetype slash = target.lastIndexOf('/');
    target = next.startsWith('/') || slash < 0 ? next : target.left(slash + 1) + next;
  }
}

int writeAll(int fd, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += n;
  }
  return 0;
}

// Makes the rename itself last through a power cut; a folder that cannot be flushed is no
// reason to call the save failed.
void flushFolderOf(const QByteArray& file) {
  const qsizetype slash = file.lastIndexOf('/');
  const QByteArray folder = slash < 0 ? QByteArray(".") : file.left(qMax<qsizetype>(slash, 1));
  const UniqueFd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd) ::fsync(fd.get());
}

}  // namespace

ReplacementFile::ReplacementFile(const QString& path) : m_path(pathToNative(path)) {}

ReplacementFile::~ReplacementFile() {
  discard();
}

void ReplacementFile::discard() {
  if (!m_temporary.isEmpty()) ::unlink(m_temporary.constData());
  m_temporary.clear();
}

int ReplacementFile::write(const QByteArray& bytes) {
  discard();
  if (const int error = resolveLinks(m_path, m_target)) return error;
  struct stat old {};
  const bool exists = ::stat(m_target.constData(), &old) == 0;
  if (!exists && errno != ENOENT) return errno;
  if (exists && !S_ISREG(old.st_mode)) return EACCES;
  if (exists && ::access(m_target.constData(), W_OK) != 0) return errno;

  UniqueFd fd;
  for (int attempt = 0; !fd; ++attempt) {
    const QByteArray name =
        m_target + ".tmp-" + QByteArray::number(QRandomGenerator::global()->generate(), 16);
    // A new file gets the usual permissions (0666 less the umask), a replacement the old ones.
    fd = UniqueFd(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         exists ? 0600 : 0666));
    if (fd) {
      m_temporary = name;
    } else if (errno != EEXIST || attempt == 100) {
      return errno;
    }
  }
  if (exists) {
    ::fchmod(fd.get(), old.st_mode & 07777);
    // Run as root, the user's file stays the user's; should that fail, it is still whole.
    if (::geteuid() == 0 && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
    }
  }
  int error = writeAll(fd.get(), bytes);
  if (!error && ::fsync(fd.get()) != 0) error = errno;
  if (fd.close() != 0 && !error) error = errno;
  if (error) discard();
  return error;
}

int ReplacementFile::commit() {
  if (m_temporary.isEmpty()) return EINVAL;
  if (::rename(m_temporary.constData(), m_target.constData()) != 0) {
    const int error = errno;
    discard();
    return error;
  }
  m_temporary.clear();
  flushFolderOf(m_target);
  return 0;
}

int replaceFile(const QString& path, const QByteArray& bytes) {
  ReplacementFile file(path);
  if (const int error = file.write(bytes)) return error;
  return file.commit();
}

}  // namespace orv
