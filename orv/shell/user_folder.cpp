#include "shell/user_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <cerrno>
#include <memory>

#include "detect/display_path.h"
#include "detect/native_path.h"
#include "shell/dialogs.h"
#include "shell/file_read.h"
#include "shell/replacement_file.h"
#include "user_data_home.h"

namespace orv {
namespace {

// Far above anything ORV ships; a file beyond it is no file of ours.
constexpr qint64 kShippedFileLimit = 64 * 1024 * 1024;
// The shipped tree is flat but for the samples; deeper nesting would be a fault.
constexpr int kDepthLimit = 8;

QString folderError(const QString& folder) {
  return QStringLiteral("Ordner %1 kann nicht angelegt werden").arg(displayPath(folder));
}

bool isSettingsFile(const QByteArray& name) {
  return name.endsWith(".conf");
}

struct Seeder {
  QStringList failures;

  // `shipped` and `user` end in "/".
  void seed(const QByteArray& shipped, const QByteArray& user, int depth) {
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(shipped.constData()), ::closedir);
    if (!listing) {
      failures << QStringLiteral("Ordner %1 kann nicht gelesen werden")
                      .arg(displayPath(pathFromNative(shipped)));
      return;
    }
    if (!makeFolders(user)) {
      failures << folderError(pathFromNative(user));
      return;
    }
    while (const dirent* entry = ::readdir(listing.get())) {
      const QByteArray name(entry->d_name);
      if (name == "." || name == "..") continue;
      struct stat info {};
      if (::stat((shipped + name).constData(), &info) != 0) continue;
      if (S_ISDIR(info.st_mode)) {
        if (depth < kDepthLimit) seed(shipped + name + '/', user + name + '/', depth + 1);
      } else if (S_ISREG(info.st_mode)) {
        const bool keepUsers = depth == 0 && isSettingsFile(name);
        copy(shipped + name, user + name, keepUsers);
      }
    }
  }

  void copy(const QByteArray& from, const QByteArray& to, bool onlyWhereMissing) {
    struct stat existing {};
    const bool present = ::lstat(to.constData(), &existing) == 0;
    if (present && onlyWhereMissing) return;
    const QString target = pathFromNative(to);
    const FileRead source =
        readRegularFile(pathFromNative(from), FileAccess::ReadOnly, kShippedFileLimit, true);
    if (source.error != 0) {
      failures << QStringLiteral("Datei %1 kann nicht geöffnet werden")
                      .arg(displayPath(pathFromNative(from)));
      return;
    }
    if (present) {
      // Written only when it changed: most starts find everything as it was.
      const FileRead current =
          readRegularFile(target, FileAccess::ReadOnly, source.bytes.size() + 1, true);
      if (current.error == 0 && current.bytes == source.bytes) return;
    }
    if (replaceFile(target, source.bytes) != 0)
      failures << QStringLiteral("Datei %1 kann nicht erstellt werden").arg(displayPath(target));
  }
};

QByteArray withSlash(QByteArray folder) {
  if (!folder.endsWith('/')) folder += '/';
  return folder;
}

}  // namespace

bool makeFolders(const QByteArray& folder) {
  for (qsizetype slash = folder.indexOf('/', 1);; slash = folder.indexOf('/', slash + 1)) {
    const QByteArray part = slash < 0 ? folder : folder.left(slash);
    if (!part.isEmpty() && ::mkdir(part.constData(), 0700) != 0 && errno != EEXIST) return false;
    if (slash < 0) break;
  }
  struct stat info {};
  return ::stat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QString userFolder() {
  const std::string home = userDataHome();
  if (home.empty()) return {};
  return pathFromNative(QByteArray::fromStdString(home)) + QStringLiteral("/orv/");
}

QString shippedDataFolder() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/../share/orv/");
}

QStringList seedUserFolder(const QString& shipped, const QString& folder) {
  Seeder seeder;
  seeder.seed(withSlash(pathToNative(shipped)), withSlash(pathToNative(folder)), 0);
  return seeder.failures;
}

void prepareUserFolder(const QStringList& arguments) {
  if (arguments.value(0) != userFolderOption()) return;
  const QString folder = userFolder();
  const QStringList failures =
      folder.isEmpty() ? QStringList{QStringLiteral("Kein Ordner für die Dateien von ORV: weder "
                                                    "XDG_DATA_HOME noch HOME ist gesetzt")}
                       : seedUserFolder(shippedDataFolder(), folder);
  if (!failures.isEmpty()) Dialogs::current().error(nullptr, failures.join(QStringLiteral(".\n")));
}

}  // namespace orv
