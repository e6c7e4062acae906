// The per-user folder of an installed ORV is seeded from the installation's data without
// losing the user's settings and lists.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/user_folder.h"

namespace {

QByteArray read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

ino_t inode(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

TEST(UserFolder, ShippedFilesAreRefreshedAndTheUsersSettingsKept) {
  QTemporaryDir dir;
  const QString shipped = dir.filePath(QStringLiteral("share/orv/"));
  const QString user = dir.filePath(QStringLiteral("home/orv/"));
  write(shipped + "orv.sig", "signatures 1");
  write(shipped + "hilfe.rtf", "help");
  write(shipped + "orv.conf", "shipped options");
  write(shipped + "samples/orv-testdialer.exe", "MZ sample");
  ASSERT_TRUE(orv::seedUserFolder(shipped, user).isEmpty());
  for (const char* name : {"orv.sig", "hilfe.rtf", "orv.conf", "samples/orv-testdialer.exe"})
    EXPECT_EQ(read(user + name), read(shipped + name)) << name;

  const ino_t unchangedHelp = inode(user + "hilfe.rtf");
  write(shipped + "orv.sig", "signatures 2");
  write(user + "orv.conf", "the user's options");
  ASSERT_TRUE(orv::seedUserFolder(shipped, user).isEmpty());
  EXPECT_EQ(read(user + "orv.sig"), "signatures 2");
  EXPECT_EQ(read(user + "orv.conf"), "the user's options");
  EXPECT_EQ(inode(user + "hilfe.rtf"), unchangedHelp);  // nothing written where nothing changed

  write(dir.filePath(QStringLiteral("file")), "not a folder");
  const QString blocked = dir.filePath(QStringLiteral("file/orv/"));
  EXPECT_EQ(orv::seedUserFolder(shipped, blocked),
            QStringList{QStringLiteral("Ordner %1 kann nicht angelegt werden").arg(blocked)});
}

}  // namespace
