// ORV installed into a prefix and started from there as the desktop's menu starts it: with a
// private home, no library path, and nothing of the build tree.
#include <gtest/gtest.h>

#include <signal.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

QByteArray read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

void install(const QString& prefix) {
  QProcess install;
  install.start(QStringLiteral(CMAKE_COMMAND),
                {"--install", qEnvironmentVariable("ORV_BINARY_DIR"), "--prefix", prefix});
  ASSERT_TRUE(install.waitForFinished(60000));
  ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
}

// Installed into ~/.local, share/orv/ is the user's own folder too.
TEST(Installed, AReinstallKeepsTheSettingsAndListsFoundThere) {
  QTemporaryDir dir;
  const QString prefix = dir.filePath(QStringLiteral("prefix"));
  ASSERT_NO_FATAL_FAILURE(install(prefix));
  const QString folder = prefix + "/share/orv/";
  write(folder + "erlaubt.conf", "user's own list\r\n");
  ASSERT_NO_FATAL_FAILURE(install(prefix));
  EXPECT_EQ(read(folder + "erlaubt.conf"), "user's own list\r\n");
}

TEST(Installed, StartsFromTheMenuWithTheShippedData) {
  QTemporaryDir dir;
  const QString prefix = dir.filePath(QStringLiteral("prefix"));
  ASSERT_NO_FATAL_FAILURE(install(prefix));
  for (const char* file :
       {"share/applications/orv.desktop", "share/metainfo/org.example.orv.metainfo.xml",
        "share/icons/hicolor/16x16/apps/orv.png", "share/icons/hicolor/256x256/apps/orv.png"})
    EXPECT_TRUE(QFileInfo::exists(prefix + '/' + file)) << file;

  const QString home = dir.filePath(QStringLiteral("home"));
  const QString probe = dir.filePath(QStringLiteral("probe"));
  // A user who has been here before: an old signature file, options of their own (a mark in
  // a reserved byte, which ORV keeps).
  const QString folder = home + "/.local/share/orv/";
  const QString data = qEnvironmentVariable("ORV_SOURCE_DIR") + "/data/";
  QByteArray options = read(data + "orv.conf");
  options[5] = 'U';
  write(folder + "orv.conf", options);
  write(folder + "orv.sig", {});
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"LD_LIBRARY_PATH", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "ORV_RASAPI32"})
    environment.remove(name);
  environment.insert("HOME", home);
  environment.insert("QT_PLUGIN_PATH", ORV_TEST_PLUGINS);
  environment.insert("QT_QPA_GENERIC_PLUGINS", "orvprobe");
  environment.insert("ORV_PROBE_OUT", probe);
  QProcess orv;
  orv.setProcessEnvironment(environment);
  orv.start(prefix + "/bin/orv", {"--user-folder"});  // as the menu entry starts it
  ASSERT_TRUE(orv.waitForStarted());
  for (int i = 0; i < 600 && !QFileInfo::exists(probe) && orv.state() == QProcess::Running; ++i)
    QThread::msleep(100);
  ::kill(static_cast<pid_t>(orv.processId()), SIGTERM);
  ASSERT_TRUE(orv.waitForFinished(30000));
  EXPECT_EQ(orv.exitCode(), 0) << orv.readAllStandardError().toStdString();

  const QStringList seen = QString::fromUtf8(read(probe)).split('\n');
  ASSERT_EQ(seen.size(), 4) << read(probe).toStdString();
  EXPECT_EQ(seen[0], QStringLiteral("Sie verwenden ORV Version 3.0 mit %1 geladenen "
                                    "Dialersignaturen.")
                         .arg(QFileInfo(data + "orv.sig").size() / 84));
  EXPECT_EQ(seen[1], QStringLiteral("ORV 3.0 – Hilfe"));
  // The signatures came anew from the installation; the user's options switch the dial-up
  // monitor on.
  EXPECT_TRUE(seen[2].endsWith(QStringLiteral("DFÜ Netzwerküberwachung gestartet.")));
  EXPECT_EQ(seen[3], QStringLiteral("Abbrechen"));  // Qt's own texts are German
  EXPECT_EQ(read(folder + "samples/orv-testdialer.exe"), read(data + "samples/orv-testdialer.exe"));
  EXPECT_EQ(read(folder + "orv.conf"), options);  // kept, and saved there at the end
}

}  // namespace
