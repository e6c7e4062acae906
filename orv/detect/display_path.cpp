#include "detect/display_path.h"

#include "detect/native_path.h"

namespace orv {
namespace {

const QChar kBackslash = QLatin1Char('\\');

bool mustEscape(char32_t code) {
  switch (QChar::category(code)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Surrogate:
      return true;
    default:
      return QChar::isNonCharacter(code);
  }
}

// Units that stand for themselves without looking anything up: printable ASCII.
bool plainAscii(QChar c) {
  const char16_t u = c.unicode();
  return u >= 0x20 && u < 0x7F && u != u'\\';
}

void appendHex(QString& out, char prefix, unsigned value, int digits) {
  out += kBackslash;
  out += QLatin1Char(prefix);
  out += QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

// The value of `digits` hex digits at `at`, or -1 when they are not all there.
long hexAt(const QString& text, qsizetype at, int digits) {
  if (at + digits > text.size()) return -1;
  long value = 0;
  for (int k = 0; k < digits; ++k) {
    const int digit = hexDigit(text[at + k]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace

QString displayPath(const QString& path) {
  qsizetype i = 0;
  while (i < path.size() && plainAscii(path[i])) ++i;
  if (i == path.size()) return path;  // the usual case: nothing to show differently
  QString shown = path.left(i);
  shown.reserve(path.size() + 16);
  while (i < path.size()) {
    const QChar c = path[i];
    if (plainAscii(c)) {
      shown += c;
      ++i;
    } else if (c == kBackslash) {
      shown += kBackslash;
      shown += kBackslash;
      ++i;
    } else if (isEscapedByte(path, i)) {
      appendHex(shown, 'x', escapedByteValue(c), 2);
      ++i;
    } else if (c.isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
      const char32_t code = QChar::surrogateToUcs4(c, path[i + 1]);
      if (mustEscape(code)) {
        appendHex(shown, 'U', code, 8);
      } else {
        shown += c;
        shown += path[i + 1];
      }
      i += 2;
    } else {
      if (mustEscape(c.unicode())) {
        appendHex(shown, 'u', c.unicode(), 4);
      } else {
        shown += c;
      }
      ++i;
    }
  }
  return shown;
}

QString pathFromDisplay(const QString& shown) {
  if (!shown.contains(kBackslash)) return shown;
  QString path;
  path.reserve(shown.size());
  for (qsizetype i = 0; i < shown.size();) {
    if (shown[i] != kBackslash || i + 1 == shown.size()) {
      path += shown[i++];
      continue;
    }
    const QChar kind = shown[i + 1];
    if (kind == kBackslash) {
      path += kBackslash;
      i += 2;
    } else if (const long byte = kind == QLatin1Char('x') ? hexAt(shown, i + 2, 2) : -1;
               byte >= 0) {
      path += escapedByteUnit(static_cast<unsigned char>(byte));
      i += 4;
    } else if (const long unit = kind == QLatin1Char('u') ? hexAt(shown, i + 2, 4) : -1;
               unit >= 0) {
      path += QChar(static_cast<char16_t>(unit));
      i += 6;
    } else if (const long code = kind == QLatin1Char('U') ? hexAt(shown, i + 2, 8) : -1;
               code >= 0 && code <= 0x10FFFF) {
      const auto ucs4 = static_cast<char32_t>(code);
      if (QChar::requiresSurrogates(ucs4)) {
        path += QChar(QChar::highSurrogate(ucs4));
        path += QChar(QChar::lowSurrogate(ucs4));
      } else {
        path += QChar(static_cast<char16_t>(ucs4));
      }
      i += 10;
    } else {
      path += shown[i++];  // no escape of the rule: the backslash as typed
    }
  }
  return path;
}

}  // namespace orv
