// ORV installed into a prefix and started from there as the desktop's menu starts it: with a
// private home, no library path, and nothing of the build tree.
#include <gtest/gtest.h>

#include <signal.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

namespace {

QString sourceFile(const QString& name) {
  return qEnvironmentVariable("ORV_SOURCE_DIR") + QLatin1Char('/') + name;
}

QByteArray read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// "key=value" lines of the probe's file.
QString probed(const QByteArray& probe, const char* key) {
  const QByteArray prefix = QByteArray(key) + '=';
  for (const QByteArray& line : probe.split('\n'))
    if (line.startsWith(prefix)) return QString::fromUtf8(line.mid(prefix.size()));
  return QStringLiteral("<none>");
}

class Installed : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    prefix = dir.filePath(QStringLiteral("prefix"));
    QProcess install;
    install.start(QStringLiteral(CMAKE_COMMAND),
                  {QStringLiteral("--install"), qEnvironmentVariable("ORV_BINARY_DIR"),
                   QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
  }

  QTemporaryDir dir;
  QString prefix;
};

TEST_F(Installed, EverythingLiesWhereTheDesktopLooks) {
  for (const char* path :
       {"bin/orv", "bin/orv-sig", "bin/orv-scan", "lib/orv/libsigmatch.so",
        "lib/orv/libcodesniff.so", "lib/orv/libclean.so", "lib/orv/libprocs.so",
        "lib/orv/librasapi32.so", "share/orv/orv.sig", "share/orv/hilfe.rtf", "share/orv/orv.conf",
        "share/orv/erlaubt.conf", "share/orv/connections.conf",
        "share/orv/samples/orv-testdialer.exe", "share/applications/orv.desktop",
        "share/metainfo/org.example.orv.metainfo.xml"})
    EXPECT_TRUE(QFileInfo(prefix + QLatin1Char('/') + QLatin1String(path)).isFile()) << path;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString icon =
        QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/orv.png").arg(prefix).arg(size);
    EXPECT_TRUE(QFileInfo::exists(icon)) << size;
  }
}

// Started as the menu entry starts it, ORV seeds the user's folder from the installation and
// comes up with the shipped signatures, help and options.
TEST_F(Installed, StartsFromTheMenuWithTheShippedData) {
  const QString home = dir.filePath(QStringLiteral("home"));
  const QString probe = dir.filePath(QStringLiteral("probe"));
  ASSERT_TRUE(QDir().mkpath(home));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"LD_LIBRARY_PATH", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "ORV_RASAPI32"})
    environment.remove(QLatin1String(name));
  environment.insert(QStringLiteral("HOME"), home);
  environment.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(ORV_TEST_PLUGINS));
  environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("orvprobe"));
  environment.insert(QStringLiteral("ORV_PROBE_OUT"), probe);
  QProcess orv;
  orv.setProcessEnvironment(environment);
  orv.setWorkingDirectory(dir.path());
  orv.start(prefix + QStringLiteral("/bin/orv"), {QStringLiteral("--user-folder")});
  ASSERT_TRUE(orv.waitForStarted(10000));
  QElapsedTimer waited;
  waited.start();
  while (!QFileInfo::exists(probe) && orv.state() == QProcess::Running && waited.elapsed() < 60000)
    QThread::msleep(50);
  const QByteArray seen = read(probe);
  ::kill(static_cast<pid_t>(orv.processId()), SIGTERM);
  ASSERT_TRUE(orv.waitForFinished(30000));
  EXPECT_EQ(orv.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(orv.exitCode(), 0) << orv.readAllStandardError().toStdString();

  const qint64 signatures = QFileInfo(sourceFile(QStringLiteral("data/orv.sig"))).size() / 84;
  ASSERT_GT(signatures, 0);
  EXPECT_EQ(probed(seen, "version"),
            QStringLiteral("Sie verwenden ORV Version 3.0 mit %1 geladenen Dialersignaturen.")
                .arg(signatures));
  EXPECT_TRUE(probed(seen, "help").startsWith(QStringLiteral("ORV 3.0"))) << seen.toStdString();
  EXPECT_EQ(probed(seen, "boxes"), QString());
  // The shipped options switch the dial-up monitor on; Qt's own texts are German.
  EXPECT_TRUE(probed(seen, "report").endsWith(QStringLiteral("DFÜ Netzwerküberwachung gestartet.")))
      << seen.toStdString();
  EXPECT_EQ(probed(seen, "cancel"), QStringLiteral("Abbrechen"));

  const QString folder = home + QStringLiteral("/.local/share/orv/");
  EXPECT_EQ(read(folder + QStringLiteral("orv.sig")),
            read(sourceFile(QStringLiteral("data/orv.sig"))));
  EXPECT_EQ(read(folder + QStringLiteral("samples/orv-testdialer.exe")),
            read(sourceFile(QStringLiteral("data/samples/orv-testdialer.exe"))));
  // The end saved the options into the user's folder, never into the installation.
  EXPECT_EQ(read(folder + QStringLiteral("orv.conf")).size(), 24);
  EXPECT_EQ(read(prefix + QStringLiteral("/share/orv/orv.conf")),
            read(sourceFile(QStringLiteral("data/orv.conf"))));
}

}  // namespace
