#include "shell/allowed_list_file.h"

#include <optional>

#include "detect/display_path.h"
#include "detect/native_path.h"
#include "shell/scramble_text.h"

namespace orv {
namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QByteArray kLengthLinePrefix = QByteArrayLiteral("\x1bORV-Zeile:");

QByteArray lengthLine(qsizetype storedLength) {
  return kLengthLinePrefix + QByteArray::number(storedLength);
}

// The length a length line announces: digits only, no leading zero, at least 1.
std::optional<qsizetype> announcedLength(const QByteArray& line) {
  if (!line.startsWith(kLengthLinePrefix)) return std::nullopt;
  const QByteArray digits = line.mid(kLengthLinePrefix.size());
  if (digits.isEmpty() || digits.size() > 12 || digits.front() == '0') return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  return static_cast<qsizetype>(digits.toLongLong());
}

}  // namespace

QStringList allowedListFromFile(const QByteArray& file) {
  QStringList lines;
  qsizetype pos = 0;
  while (pos < file.size()) {
    qsizetype end = file.indexOf(kLineEnd, pos);
    if (end < 0) end = file.size();
    QByteArray line = ScrambleText(file.mid(pos, end - pos));
    qsizetype next = end + kLineEnd.size();
    // A length line counts only where the announced bytes end at a line end or the file's end;
    // otherwise it is an ordinary line like any other.
    if (const auto length = announcedLength(line);
        length && next <= file.size() && *length <= file.size() - next) {
      const qsizetype lineEnd = next + *length;
      if (lineEnd == file.size() || file.mid(lineEnd, kLineEnd.size()) == kLineEnd) {
        line = ScrambleText(file.mid(next, *length));
        next = lineEnd + kLineEnd.size();
      }
    }
    lines += allowedLineFromBytes(line);
    pos = next;
  }
  return lines;
}

QByteArray allowedListToFile(const QStringList& lines) {
  QByteArray file;
  if (lines.size() == 1 && lines.front().isEmpty()) return file;  // the empty list
  for (const QString& line : lines) {
    const QByteArray bytes = allowedLineToBytes(line);
    const QByteArray stored = ScrambleText(bytes);
    if (stored.contains(kLineEnd) || bytes.startsWith(kLengthLinePrefix))
      file += ScrambleText(lengthLine(stored.size())) + kLineEnd;
    file += stored + kLineEnd;
  }
  return file;
}

QByteArray allowedLineToBytes(const QString& line) {
  return pathToNative(pathFromDisplay(line));
}

QString allowedLineFromBytes(const QByteArray& bytes) {
  return displayPath(pathFromNative(bytes));
}

}  // namespace orv
