// Reading and writing the settings and list files on disk, and the autostart entry.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <filesystem>
#include <functional>

#include "shell/autostart_entry.h"
#include "shell/orv_error.h"
#include "shell/replacement_file.h"
#include "shell/settings_store.h"
#include "support/as_ordinary_user.h"
#include "support/temp_dir.h"

namespace {

using orv::SettingsStore;
using orv::StoredFile;

QByteArray contentOf(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString readError(SettingsStore& store, StoredFile file) {
  try {
    if (file == StoredFile::Options) store.readOptions();
    if (file == StoredFile::AllowedList) store.readAllowedList();
    if (file == StoredFile::Connections) store.readConnections();
  } catch (const orv::OrvError& error) {
    return error.text();
  }
  return QStringLiteral("<read>");
}

TEST(SettingsStore, EachReadFailureHasItsTextAndOnlyAMissingFileMayBeWritten) {
  enum class Put { Nothing, NoFolder, Folder, Fifo, TenBytes, Oversized, LinkLoop };
  const struct {
    StoredFile file;
    Put put;
    const char* text;  // %1: the file's path
  } cases[] = {
      {StoredFile::Options, Put::Nothing, "Datei nicht gefunden"},
      {StoredFile::Options, Put::NoFolder, "Ungültiger Dateiname"},
      {StoredFile::Options, Put::TenBytes, "Versuch hinter dem Dateiende zu lesen"},
      {StoredFile::Options, Put::Folder, "Dateizugriff verweigert"},
      {StoredFile::Options, Put::LinkLoop, "E/A-Fehler 40"},
      {StoredFile::Connections, Put::Nothing, "Datei nicht gefunden"},
      {StoredFile::Connections, Put::Fifo, "Dateizugriff verweigert"},
      {StoredFile::Connections, Put::Oversized, "E/A-Fehler 27"},
      {StoredFile::AllowedList, Put::Nothing, "Datei %1 kann nicht geöffnet werden"},
      {StoredFile::AllowedList, Put::Fifo, "Datei %1 kann nicht geöffnet werden"},
  };
  for (const auto& c : cases) {
    orvtest::TempDir dir;
    SettingsStore store(QString::fromStdString(dir.path().string()) +
                        (c.put == Put::NoFolder ? "/fehlt/" : "/"));
    const std::string path = store.path(c.file).toStdString();
    if (c.put == Put::Folder) ::mkdir(path.c_str(), 0755);
    if (c.put == Put::Fifo) ::mkfifo(path.c_str(), 0644);
    if (c.put == Put::TenBytes)
      dir.write(store.path(c.file).section('/', -1).toStdString(), std::string(10, '\1'));
    if (c.put == Put::Oversized) dir.writeSparse("connections.conf", 17 * 1024 * 1024, {});
    if (c.put == Put::LinkLoop) ::symlink(path.c_str(), path.c_str());
    const QString expected = QString::fromUtf8(c.text).arg(store.path(c.file));
    EXPECT_EQ(readError(store, c.file), expected);
    EXPECT_EQ(store.released(c.file), c.put == Put::Nothing) << qPrintable(expected);
  }
}

TEST(SettingsStore, AFileThatMayNotBeWrittenCannotBeLoaded) {
  orvtest::TempDir dir;
  dir.write("orv.conf", std::string(24, '\0'));
  ::chmod(dir.file("orv.conf").c_str(), 0444);
  const auto run = runAsOrdinaryUser(dir.path().string(), [&] {
    SettingsStore store(QString::fromStdString(dir.path().string() + "/"));
    return readError(store, StoredFile::Options) == QStringLiteral("Dateizugriff verweigert");
  });
  EXPECT_EQ(run, OrdinaryUserRun::Held);
}

TEST(ReplacementFile, AKillBeforeTheRenameLeavesTheOldFileWhole) {
  orvtest::TempDir dir;
  const std::string path = dir.write("orv.conf", "alter Inhalt").string();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    orv::ReplacementFile file(QString::fromStdString(path));
    if (file.write(QByteArray(1 << 20, 'n')) != 0) ::_exit(1);
    ::raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(contentOf(path), QByteArray("alter Inhalt"));
}

TEST(Autostart, CommandIsQuotedByTheDesktopEntryRules) {
  EXPECT_EQ(orv::autostartEntry(orv::autostartCommand("/usr/bin/orv", "")),
            QByteArray("[Desktop Entry]\nType=Application\nName=ORV Autostart\n"
                       "Exec=\"/usr/bin/orv\"\n"));
  const QString command =
      orv::autostartCommand("/opt/mein orv/orv", "/home/a b/\"q\"/$x/`c`/100%/back\\slash/");
  EXPECT_TRUE(orv::autostartEntry(command).contains(
      R"(Exec="/opt/mein orv/orv" "/home/a b/\\"q\\"/\\$x/\\`c\\`/100%%/back\\\\slash/")"
      "\n"));
}

TEST(Autostart, NamesTheFolderInFullAsTheSessionStartsItElsewhere) {
  orvtest::TempDir dir;
  const std::string before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const QString here = QString::fromStdString(std::filesystem::current_path().string()) + '/';
  EXPECT_EQ(orv::autostartBaseDir(""), here);
  EXPECT_EQ(orv::autostartBaseDir("data/"), here + "data/");
  std::filesystem::current_path(before);
}

}  // namespace
