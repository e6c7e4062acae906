#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <set>
#include <vector>

#include "detect/directory_walker.h"
#include "detect/display_path.h"
#include "detect/native_path.h"
#include "support/as_ordinary_user.h"

using orv::DirectoryWalker;

namespace {

std::vector<QByteArray> walk(const QByteArray& root, int stopAfter = -1) {
  std::vector<QByteArray> seen;
  DirectoryWalker::walk(
      root, [&](const QByteArray& path) { seen.push_back(path); },
      [&] { return stopAfter >= 0 && static_cast<int>(seen.size()) >= stopAfter; });
  return seen;
}

void touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(DirectoryWalker, ExeExtensionInAnyAsciiCase) {
  const struct {
    const char* name;
    bool exe;
  } cases[] = {
      {"SETUP.EXE", true},   {"setup.exe", true},      {"Setup.Exe", true},         {".exe", true},
      {"a.b.exe", true},     {"setup.exe.bak", false}, {"setup.ex_", false},        {"exe", false},
      {"setup.exee", false}, {"setup.", false},        {"setup.\xc3\xa9xe", false}, {"", false}};
  for (const auto& c : cases) EXPECT_EQ(DirectoryWalker::hasExeExtension(c.name), c.exe) << c.name;
}

TEST(DirectoryWalker, EntersEachFolderBeforeTheNextEntry) {
  QTemporaryDir dir;
  const QString root = dir.path();
  for (const char* p : {"a/1.exe", "a/2.exe", "a/x/3.exe", "b/4.exe", "5.exe", "c/d/e/6.exe"})
    touch(root + QLatin1Char('/') + QLatin1String(p));
  const auto seen = walk(QFile::encodeName(root));
  ASSERT_EQ(seen.size(), 6u);
  // Depth first: all files below one folder of the top level come one after the other.
  for (const char* folder : {"/a/", "/b/", "/c/"}) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < seen.size(); ++i)
      if (seen[i].contains(folder)) at.push_back(i);
    ASSERT_FALSE(at.empty());
    EXPECT_EQ(at.back() - at.front() + 1, at.size()) << folder;
  }
}

TEST(DirectoryWalker, DeepTreesCostNoStack) {
  QTemporaryDir dir;
  QString path = dir.path();
  for (int i = 0; i < 1800; ++i) path += QStringLiteral("/d");
  ASSERT_TRUE(QDir().mkpath(path));
  touch(path + QStringLiteral("/bottom.exe"));
  const auto seen = walk(QFile::encodeName(dir.path()));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].endsWith("/d/bottom.exe"));
}

TEST(DirectoryWalker, CancelEndsTheWholeWalk) {
  QTemporaryDir dir;
  for (int i = 0; i < 10; ++i) touch(dir.path() + QStringLiteral("/s%1/t/f.exe").arg(i));
  EXPECT_EQ(walk(QFile::encodeName(dir.path()), 3).size(), 3u);
}

// Folders that cannot be listed are passed over without a word.
TEST(DirectoryWalker, UnreadableFoldersArePassedOver) {
  QTemporaryDir dir;
  const QString root = dir.path();
  touch(root + QStringLiteral("/open/a.exe"));
  touch(root + QStringLiteral("/locked/b.exe"));
  touch(root + QStringLiteral("/c.exe"));
  const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                   QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                   QFileDevice::ExeOther;
  QFile::setPermissions(root + QStringLiteral("/open"), all);
  QFile::setPermissions(root + QStringLiteral("/locked"), QFileDevice::Permissions());

  // a.exe and c.exe; the locked folder is skipped, and the walk goes on.
  const OrdinaryUserRun outcome = runAsOrdinaryUser(QFile::encodeName(root).toStdString(), [&] {
    return walk(QFile::encodeName(root)).size() == 2;
  });
  QFile::setPermissions(root + QStringLiteral("/locked"), all);
  if (outcome == OrdinaryUserRun::CannotDropRoot || outcome == OrdinaryUserRun::CannotReachFolder)
    GTEST_SKIP() << "no ordinary user to check folder permissions with";
  EXPECT_EQ(outcome, OrdinaryUserRun::Held);
}

TEST(DirectoryWalker, TrailingSeparatorIsNotDoubled) {
  QTemporaryDir dir;
  touch(dir.path() + QStringLiteral("/f.exe"));
  const QByteArray root = QFile::encodeName(dir.path()) + "/";
  const auto seen = walk(root);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], root + "f.exe");
}

// Only an entry the listing itself showed to be a regular file may be opened unseen: a
// link can be pointed at a fifo or a device at any time.
TEST(DirectoryWalker, TellsWhichFilesTheListingShowedRegular) {
  QTemporaryDir dir;
  touch(dir.path() + QStringLiteral("/plain.exe"));
  ASSERT_TRUE(QFile::link(dir.path() + QStringLiteral("/plain.exe"),
                          dir.path() + QStringLiteral("/link.exe")));
  std::map<QByteArray, bool> listedRegular;
  DirectoryWalker::walk(
      QFile::encodeName(dir.path()),
      [&](const QByteArray& path, bool regular) {
        listedRegular[path.mid(path.lastIndexOf('/') + 1)] = regular;
      },
      [] { return false; });
  EXPECT_EQ(listedRegular, (std::map<QByteArray, bool>{{"plain.exe", true}, {"link.exe", false}}));
}

// An empty path names no folder; it must never become "/" and walk the whole disk.
TEST(DirectoryWalker, EmptyPathWalksNothing) {
  EXPECT_TRUE(walk(QByteArray()).empty());
}

TEST(NativePath, RoundTripsAnyBytes) {
  const QByteArray cases[] = {"/plain/ascii.exe",
                              "/home/j\xc3\xbcrgen/\xe2\x82\xac.exe",  // valid UTF-8
                              "/b\xe4se.exe",                          // Latin-1 byte
                              "/\xff\xfe\x80\xc0\xaf.exe",             // never valid
                              "/\xed\xa0\x80.exe",                     // encoded surrogate
                              "/\xf0\x9f\x98\x80/\xe4",                // emoji, then a stray
                              "/cut\xe2\x82"};                         // truncated sequence
  for (const QByteArray& bytes : cases) {
    const QString path = orv::pathFromNative(bytes);
    EXPECT_EQ(orv::pathToNative(path), bytes) << bytes.toHex().constData();
  }
  EXPECT_EQ(orv::pathFromNative("/j\xc3\xbcrgen"), QStringLiteral("/jürgen"));
  EXPECT_EQ(orv::pathToNative(QStringLiteral("/jürgen/😀")), QStringLiteral("/jürgen/😀").toUtf8());
}

TEST(NativePath, DisplayShowsStrayBytesReadably) {
  EXPECT_EQ(orv::displayPath(orv::pathFromNative("/b\xe4se/\x8f.exe")),
            QStringLiteral("/b\\xE4se/\\x8F.exe"));
  EXPECT_EQ(orv::displayPath(QStringLiteral("/jürgen/😀.exe")), QStringLiteral("/jürgen/😀.exe"));
}

}  // namespace
