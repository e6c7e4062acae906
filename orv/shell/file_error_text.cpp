#include "shell/file_error_text.h"

#include <sys/stat.h>
#include <cerrno>

#include "detect/native_path.h"

namespace orv {
namespace {

bool folderExists(const QString& path) {
  const QByteArray native = pathToNative(path);
  const qsizetype slash = native.lastIndexOf('/');
  if (slash < 0) return true;  // the working folder
  const QByteArray folder = slash == 0 ? QByteArray("/") : native.left(slash);
  struct stat info {};
  return ::stat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

QString fileErrorText(int error, const QString& path) {
  switch (error) {
    case ENOENT:
      if (fileIsMissing(error, path)) return QStringLiteral("Datei nicht gefunden");
      [[fallthrough]];
    case ENOTDIR:
    case ENAMETOOLONG:
      return QStringLiteral("Ungültiger Dateiname");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return QStringLiteral("Dateizugriff verweigert");
    default:
      return QStringLiteral("E/A-Fehler %1").arg(error);
  }
}

bool fileIsMissing(int error, const QString& path) {
  return error == ENOENT && folderExists(path);
}

}  // namespace orv
