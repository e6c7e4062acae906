#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <filesystem>

// A private folder that serves as the program's BaseDir (with its trailing "/").
class TempBaseDir {
 public:
  TempBaseDir() { m_dir.setAutoRemove(false); }
  // Removed by its bytes: Qt's own removal passes over names that are not valid UTF-8.
  ~TempBaseDir() {
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(m_dir.path()).toStdString(), ignored);
  }
  TempBaseDir(const TempBaseDir&) = delete;
  TempBaseDir& operator=(const TempBaseDir&) = delete;

  QString path() const { return m_dir.path() + QLatin1Char('/'); }
  QString file(const QString& name) const { return path() + name; }

  void write(const QString& name, const QByteArray& bytes) const {
    QFile out(file(name));
    if (out.open(QIODevice::WriteOnly)) out.write(bytes);
  }
  // Settings files that leave the window as it starts: no box at start-up, no monitor on.
  void writeInitialSettings(const QString& prefix = QString()) const {
    QByteArray options(24, '\0');
    options[20] = 1;  // "Gefundene Dialer nur melden", ticked in the window's initial state
    write(prefix + QStringLiteral("orv.conf"), options);
    write(prefix + QStringLiteral("erlaubt.conf"), {});
    write(prefix + QStringLiteral("connections.conf"), {});
  }
  // Copies a file of the shipped data/ folder.
  void copyFromData(const QString& name) const {
    const QString source =
        QString::fromLocal8Bit(qgetenv("ORV_SOURCE_DIR")) + QStringLiteral("/data/") + name;
    QFile::copy(source, file(name));
  }

 private:
  QTemporaryDir m_dir;
};
