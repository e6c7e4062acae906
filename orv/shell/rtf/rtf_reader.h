#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace orv {

// Reads Rich Text Format into a QTextDocument for display: paragraphs, line breaks,
// bold, italic, underline, colours, font sizes, alignment and the special characters.
// Fonts, style sheets, pictures, objects, headers, footers and every other destination
// are skipped. Any byte sequence is safe to hand in: parsing takes linear time, nesting
// is bounded, and malformed parts are dropped rather than reported.
class RtfReader {
 public:
  // True when `bytes` starts the way every RTF document starts ("{\rtf").
  static bool isRtf(const QByteArray& bytes);

  // Replaces the content of `doc` with the RTF document `rtf`. Returns false, leaving
  // `doc` untouched, when `rtf` is not RTF at all.
  static bool read(const QByteArray& rtf, QTextDocument* doc);
};

// Text of a file that is not RTF: UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString decodePlainText(const QByteArray& bytes);

// Shows `bytes` in `doc`: as rich text when they are RTF, else as plain text.
void loadRichText(QTextDocument* doc, const QByteArray& bytes);

}  // namespace orv
