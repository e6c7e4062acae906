#include "rtf_writer.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>

#include "cp1252.h"

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

// The colours in order of first use; RTF numbers them from 1, 0 being the default colour.
class ColourTable {
 public:
  int indexOf(const QColor& colour) {
    if (!colour.isValid()) return 0;
    const QRgb rgb = colour.rgb();
    auto it = m_index.constFind(rgb);
    if (it == m_index.constEnd()) {
      m_colours.append(rgb);
      it = m_index.insert(rgb, int(m_colours.size()));
    }
    return *it;
  }

  QByteArray rtf() const {
    QByteArray out = "{\\colortbl ;";
    for (const QRgb rgb : m_colours) {
      out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) +
             "\\blue" + QByteArray::number(qBlue(rgb)) + ';';
    }
    return out + '}';
  }

 private:
  QList<QRgb> m_colours;
  QHash<QRgb, int> m_index;
};

QByteArray alignmentWord(Qt::Alignment align) {
  if (align & Qt::AlignHCenter) return "\\qc";
  if (align & Qt::AlignJustify) return "\\qj";
  if (align & Qt::AlignRight) return "\\qr";
  return {};
}

void appendFragment(QByteArray& body, ColourTable& colours, const QTextFragment& fragment) {
  const QTextCharFormat format = fragment.charFormat();
  QByteArray words;
  if (const int colour = colours.indexOf(foregroundOf(format)); colour > 0) {
    words += "\\cf" + QByteArray::number(colour);
  }
  if (format.fontWeight() > QFont::Normal) words += "\\b";
  if (format.fontItalic()) words += "\\i";
  if (format.fontUnderline()) words += "\\ul";
  if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0) {
    const double halfPoints = std::clamp(format.fontPointSize() * 2, 1.0, 3276.0);
    words += "\\fs" + QByteArray::number(qRound(halfPoints));
  }
  if (!words.isEmpty()) words += ' ';  // ends the last word; without words it would be text
  body += '{' + words;
  appendText(body, fragment.text());
  body += '}';
}

}  // namespace

QByteArray RtfWriter::write(const QTextDocument& doc) {
  ColourTable colours;
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
  out += ";}}\n" + colours.rtf() + '\n';
  // No document-wide size: each reader shows the text at its own default size.
  out += "\\f0\n" + body + "}\n";
  return out;
}

}  // namespace orv
