#pragma once

#include <QByteArray>

class QTextDocument;

namespace orv {

// Writes a QTextDocument as Rich Text Format 1.x (ANSI, code page 1252): one paragraph
// per block, and per text fragment its colour, bold, italic, underline and font size.
// Characters outside ASCII are escaped (Windows-1252 as \'hh, the rest as \uN with a
// '?' fallback), so the file itself is pure ASCII and any text survives.
class RtfWriter {
 public:
  static QByteArray write(const QTextDocument& doc);
};

}  // namespace orv
