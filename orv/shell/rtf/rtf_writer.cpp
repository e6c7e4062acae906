#include "rtf_writer.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include "code_page.h"

namespace orv {

namespace {

// Appends `text` escaped for RTF body text (also used for the font name).
void appendText(QByteArray& out, QStringView text) {
  static const char kHex[] = "0123456789abcdef";
  for (const QChar qc : text) {
    const char16_t ch = qc.unicode();
    if (ch == '\\' || ch == '{' || ch == '}') {
      out += '\\';
      out += char(ch);
    } else if (ch == '\t') {
      out += "\\tab ";
    } else if (ch == QChar::LineSeparator) {
      out += "\\line ";
    } else if (ch == 0x00A0) {
      out += "\\~";
    } else if (ch == 0x00AD) {
      out += "\\-";
    } else if (ch == 0x2011) {
      out += "\\_";
    } else if (ch >= 0x20 && ch < 0x7F) {
      out += char(ch);
    } else if (const int byte = unicodeToCp1252(ch); byte >= 0) {
      // Control characters too: written as escapes, they read back unchanged.
      out += "\\'";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      // A signed 16-bit code unit; surrogate pairs are written as two of them.
      out += "\\u" + QByteArray::number(ch > 0x7FFF ? int(ch) - 0x10000 : int(ch)) + '?';
    }
  }
}

QColor foregroundOf(const QTextCharFormat& format) {
  if (!format.hasProperty(QTextFormat::ForegroundBrush)) return {};
  const QBrush brush = format.foreground();
  return brush.style() == Qt::NoBrush ? QColor() : brush.color().toRgb();
}

// Colour table index of `colour` (1-based; 0 is the default colour), adding it if new.
int colourIndex(QList<QRgb>& colours, const QColor& colour) {
  if (!colour.isValid()) return 0;
  const QRgb rgb = colour.rgb();
  qsizetype index = colours.indexOf(rgb);
  if (index < 0) {
    index = colours.size();
    colours.append(rgb);
  }
  return int(index) + 1;
}

QByteArray alignmentWord(Qt::Alignment align) {
  if (align & Qt::AlignHCenter) return "\\qc";
  if (align & Qt::AlignJustify) return "\\qj";
  if (align & Qt::AlignRight) return "\\qr";
  return {};
}

void appendFragment(QByteArray& body, QList<QRgb>& colours, const QTextFragment& fragment) {
  const QTextCharFormat format = fragment.charFormat();
  QByteArray words;
  if (const int colour = colourIndex(colours, foregroundOf(format)); colour > 0) {
    words += "\\cf" + QByteArray::number(colour);
  }
  if (format.fontWeight() > QFont::Normal) words += "\\b";
  if (format.fontItalic()) words += "\\i";
  if (format.fontUnderline()) words += "\\ul";
  if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0) {
    words += "\\fs" + QByteArray::number(qRound(format.fontPointSize() * 2));
  }
  if (!words.isEmpty()) words += ' ';  // ends the last word; without words it would be text
  body += '{' + words;
  appendText(body, fragment.text());
  body += '}';
}

}  // namespace

QByteArray RtfWriter::write(const QTextDocument& doc) {
  QList<QRgb> colours;
  QByteArray body;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    if (block != doc.begin()) body += "\\par\n";
    body += "\\pard" + alignmentWord(block.blockFormat().alignment()) + ' ';
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().isValid()) appendFragment(body, colours, it.fragment());
    }
  }

  const QFont font = doc.defaultFont();
  QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil\\fcharset0 ";
  appendText(out, QString(font.family()).remove(u';'));  // ';' would end the entry
  out += ";}}\n{\\colortbl ;";
  for (const QRgb rgb : colours) {
    out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) +
           "\\blue" + QByteArray::number(qBlue(rgb)) + ';';
  }
  // No document-wide size: each reader shows the text at its own default size.
  out += "}\n\\f0\n" + body + "}\n";
  return out;
}

}  // namespace orv
