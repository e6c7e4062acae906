#include "shell/autostart_entry.h"

#include <unistd.h>
#include <QStandardPaths>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "detect/native_path.h"
#include "shell/orv_error.h"
#include "shell/replacement_file.h"
#include "shell/user_folder.h"

namespace orv {
namespace {

// One argument in double quotes; inside them `"`, backtick, `$` and `\` take a backslash.
QString quotedArgument(const QString& argument) {
  QString quoted = QStringLiteral("\"");
  for (const QChar c : argument) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
        c == QLatin1Char('\\'))
      quoted += QLatin1Char('\\');
    quoted += c;
  }
  return quoted + QLatin1Char('"');
}

// The command as the value of a key: `%` is doubled (it would start a field code), then the
// string escapes of the key file apply on top (backslash, line breaks, tab).
QString execValue(const QString& command) {
  QString value;
  for (const QChar c : command) {
    switch (c.unicode()) {
      case u'%':
        value += QStringLiteral("%%");
        break;
      case u'\\':
        value += QStringLiteral("\\\\");
        break;
      case u'\n':
        value += QStringLiteral("\\n");
        break;
      case u'\r':
        value += QStringLiteral("\\r");
        break;
      case u'\t':
        value += QStringLiteral("\\t");
        break;
      default:
        value += c;
    }
  }
  return value;
}

[[noreturn]] void fail() {
  throw OrvError(QStringLiteral("Fehler beim Setzen der Daten für 'ORV Autostart'"));
}

}  // namespace

QString autostartEntryPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/autostart/orv-autostart.desktop");
}

QString autostartCommand(const QString& program, const QString& baseDir) {
  QString command = quotedArgument(program);
  if (!baseDir.isEmpty()) command += QLatin1Char(' ') + quotedArgument(baseDir);
  return command;
}

QString autostartBaseDir(const QString& argument) {
  if (argument.startsWith(QLatin1Char('/')) || argument == userFolderOption()) return argument;
  const std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
  if (!folder) return argument;  // our working folder is gone: nothing better to name
  QString absolute = pathFromNative(QByteArray(folder.get()));
  if (!absolute.endsWith(QLatin1Char('/'))) absolute += QLatin1Char('/');
  return absolute + argument;
}

QByteArray autostartEntry(const QString& command) {
  return QStringLiteral(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=ORV Autostart\n"
             "Exec=%1\n")
      .arg(execValue(command))
      .toUtf8();
}

void setAutostart(bool on, const QString& command) {
  const QString path = autostartEntryPath();
  const QByteArray native = pathToNative(path);
  if (!on) {
    // No entry, or no folder that could hold one: nothing starts ORV, as asked.
    if (::unlink(native.constData()) != 0 && errno != ENOENT && errno != ENOTDIR) fail();
    return;
  }
  // An entry holds UTF-8 text: a command with bytes that are not UTF-8 cannot be written.
  if (QString::fromUtf8(pathToNative(command)) != command) fail();
  if (!makeFolders(native.left(native.lastIndexOf('/')))) fail();
  if (replaceFile(path, autostartEntry(command)) != 0) fail();
}

}  // namespace orv
