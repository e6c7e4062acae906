#include "detect/dump_name.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "detect/native_path.h"

namespace orv {

DumpName::DumpName(const QString& baseDir) {
  const QString shared = baseDir + QStringLiteral("orv.dump");
  const qsizetype slash = shared.lastIndexOf(QLatin1Char('/'));
  const QString folder = slash < 0 ? QStringLiteral(".") : shared.left(slash + 1);
  m_folderLock =
      UniqueFd(::open(pathToNative(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  // A folder that cannot be opened gets no dump of anybody's: the shared name then only
  // decides what the error message names.
  if (!m_folderLock || ::flock(m_folderLock.get(), LOCK_EX | LOCK_NB) == 0) {
    m_path = shared;
    return;
  }
  m_folderLock.close();
  m_path = baseDir + QStringLiteral("orv.%1.dump").arg(::getpid());
}

}  // namespace orv
