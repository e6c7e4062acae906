#include "detect/native_path.h"

#include <algorithm>

namespace orv {
namespace {

constexpr char16_t kEscapeBase = 0xDC80;

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the byte there starts none.
int validSequenceLength(const QByteArray& bytes, qsizetype i) {
  const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = at(i);
  if (lead < 0x80) return 1;
  int length;
  char32_t minimum;
  char32_t code;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (int k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (at(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are not valid UTF-8.
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

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
    const int length = validSequenceLength(bytes, i);
    if (length == 0) {
      flushRun(i);
      path.append(escapedByteUnit(static_cast<unsigned char>(bytes[i])));
      runStart = ++i;
    } else {
      i += length;
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
