// The per-user folder of an installed ORV: where it is, and how it is seeded from the
// installation's data without losing the user's settings and lists.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/tform1.h"
#include "shell/user_folder.h"

namespace {

QByteArray read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

class UserFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    shipped = dir.filePath(QStringLiteral("share/orv")) + QLatin1Char('/');
    user = dir.filePath(QStringLiteral("home/orv")) + QLatin1Char('/');
    write(shipped + QStringLiteral("orv.sig"), "signatures 2");
    write(shipped + QStringLiteral("hilfe.rtf"), "{\\rtf1 Hilfe}");
    write(shipped + QStringLiteral("orv.conf"), QByteArray(24, '\1'));
    write(shipped + QStringLiteral("samples/orv-testdialer.exe"), "MZ sample");
  }

  QTemporaryDir dir;
  QString shipped;
  QString user;
};

TEST_F(UserFolder, AFirstStartCopiesEverythingShipped) {
  EXPECT_TRUE(orv::seedUserFolder(shipped, user).isEmpty());
  for (const char* name : {"orv.sig", "hilfe.rtf", "orv.conf", "samples/orv-testdialer.exe"})
    EXPECT_EQ(read(user + QLatin1String(name)), read(shipped + QLatin1String(name))) << name;
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(user).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);  // the user's lists are nobody else's business
}

TEST_F(UserFolder, ShippedFilesAreRefreshedAndTheUsersSettingsKept) {
  write(user + QStringLiteral("orv.sig"), "signatures 1");
  write(user + QStringLiteral("orv.conf"), "the user's options");
  write(user + QStringLiteral("samples/mine.exe"), "the user's own");
  EXPECT_TRUE(orv::seedUserFolder(shipped, user).isEmpty());
  EXPECT_EQ(read(user + QStringLiteral("orv.sig")), "signatures 2");
  EXPECT_EQ(read(user + QStringLiteral("orv.conf")), "the user's options");
  EXPECT_EQ(read(user + QStringLiteral("samples/mine.exe")), "the user's own");
}

// Most starts find everything as it was: nothing is written then.
TEST_F(UserFolder, AnUnchangedCopyIsLeftAlone) {
  ASSERT_TRUE(orv::seedUserFolder(shipped, user).isEmpty());
  struct stat before {};
  const QByteArray copy = QFile::encodeName(user + QStringLiteral("orv.sig"));
  ASSERT_EQ(::stat(copy.constData(), &before), 0);
  ASSERT_TRUE(orv::seedUserFolder(shipped, user).isEmpty());
  struct stat after {};
  ASSERT_EQ(::stat(copy.constData(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(UserFolder, WhatCannotBeDoneIsSaid) {
  EXPECT_EQ(orv::seedUserFolder(dir.filePath(QStringLiteral("nowhere")), user),
            QStringList{QStringLiteral("Ordner %1/ kann nicht gelesen werden")
                            .arg(dir.filePath(QStringLiteral("nowhere")))});
  write(dir.filePath(QStringLiteral("file")), "not a folder");
  const QString blocked = dir.filePath(QStringLiteral("file/orv/"));
  EXPECT_EQ(orv::seedUserFolder(shipped, blocked),
            QStringList{QStringLiteral("Ordner %1 kann nicht angelegt werden").arg(blocked)});
}

// The menu entry's option names the per-user folder by the XDG rule; anything else stays
// BaseDir as given.
TEST(UserFolderOption, NamesTheFolderByTheXdgRule) {
  const struct {
    const char* dataHome;
    const char* expected;
  } cases[] = {
      {"/data/home", "/data/home/orv/"},
      {"relative/data", "/home/me/.local/share/orv/"},  // a relative setting counts as none
      {nullptr, "/home/me/.local/share/orv/"},
  };
  qputenv("HOME", "/home/me");
  for (const auto& c : cases) {
    if (c.dataHome)
      qputenv("XDG_DATA_HOME", c.dataHome);
    else
      qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(orv::baseDirFromArguments({QStringLiteral("--user-folder")}),
              QString::fromLatin1(c.expected));
  }
  EXPECT_EQ(orv::baseDirFromArguments({QStringLiteral("/srv/orv/")}), QStringLiteral("/srv/orv/"));
  EXPECT_EQ(orv::baseDirFromArguments({}), QString());
}

}  // namespace
