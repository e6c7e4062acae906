#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A private folder that serves as the program's BaseDir (with its trailing "/").
class TempBaseDir {
 public:
  QString path() const { return m_dir.path() + QLatin1Char('/'); }
  QString file(const QString& name) const { return path() + name; }

  void write(const QString& name, const QByteArray& bytes) const {
    QFile out(file(name));
    if (out.open(QIODevice::WriteOnly)) out.write(bytes);
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
