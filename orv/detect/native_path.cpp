#include "detect/native_path.h"

#include <algorithm>

#include "utf8.h"

namespace orv {
namespace {

constexpr char16_t kEscapeBase = 0xDC80;

}  // namespace

bool isEscapedByte(const QString& path, qsizetype i) {
  const char16_t unit = path[i].unicode();
  return unit >= kEscapeBase && unit <= kEscapeBase + 0xFF &&
         !(i > 0 && path[i - 1].isHighSurrogate());
}

unsigned char escapedByteValue(QChar unit) {
  return static_cast<unsigned char>(unit.unicode() - kEscapeBase);
}

QChar escapedByteUnit(unsigned char byte) {
  return QChar(static_cast<char16_t>(kEscapeBase + byte));
}

QString pathFromNative(const QByteArray& bytes) {
  // The scan converts every path it meets: plain ASCII, the usual case, in one go, and
  // runs of valid UTF-8 likewise.
  const auto isAscii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
  if (std::all_of(bytes.cbegin(), bytes.cend(), isAscii)) return QString::fromLatin1(bytes);
  QString path;
  path.reserve(bytes.size());
  qsizetype runStart = 0;
  const auto flushRun = [&](qsizetype end) {
    if (end > runStart)
      path.append(QString::fromUtf8(bytes.constData() + runStart, end - runStart));
  };
  for (qsizetype i = 0; i < bytes.size();) {
    const std::size_t length =
        decodeUtf8Sequence({bytes.constData() + i, static_cast<std::size_t>(bytes.size() - i)})
            .length;
    if (length == 0) {
      flushRun(i);
      path.append(escapedByteUnit(static_cast<unsigned char>(bytes[i])));
      runStart = ++i;
    } else {
      i += static_cast<qsizetype>(length);
    }
  }
  flushRun(bytes.size());
  return path;
}

QByteArray pathToNative(const QString& path) {
  QByteArray bytes;
  bytes.reserve(path.size());
  qsizetype start = 0;
  const auto flush = [&](qsizetype end) {
    if (end > start) bytes.append(QStringView(path).mid(start, end - start).toUtf8());
  };
  for (qsizetype i = 0; i < path.size(); ++i) {
    if (!isEscapedByte(path, i)) continue;
    flush(i);
    bytes.append(static_cast<char>(escapedByteValue(path[i])));
    start = i + 1;
  }
  flush(path.size());
  return bytes;
}

}  // namespace orv
