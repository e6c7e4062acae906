#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <ostream>

// Prints QStrings readably in failed expectations.
inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace orv::test {

// A compact picture of a document: blocks separated by "\n", a centred block marked
// "<c>", a formatted fragment as "{b,i,u,c=ff0000,s=12:text}", a plain one as its text.
inline QString describe(const QTextDocument& doc) {
  QStringList blocks;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    QString line;
    const Qt::Alignment align = block.blockFormat().alignment();
    if (align & Qt::AlignHCenter) line += "<c>";
    if (align & Qt::AlignRight) line += "<r>";
    if (align & Qt::AlignJustify) line += "<j>";
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat f = it.fragment().charFormat();
      QStringList attrs;
      if (f.fontWeight() > QFont::Normal) attrs << "b";
      if (f.fontItalic()) attrs << "i";
      if (f.fontUnderline()) attrs << "u";
      if (f.hasProperty(QTextFormat::ForegroundBrush)) {
        attrs << "c=" + f.foreground().color().name().mid(1);
      }
      if (f.hasProperty(QTextFormat::FontPointSize)) {
        attrs << "s=" + QString::number(f.fontPointSize());
      }
      const QString text = it.fragment().text();
      line += attrs.isEmpty() ? text : "{" + attrs.join(',') + ":" + text + "}";
    }
    blocks << line;
  }
  return blocks.join('\n');
}

// Appends a report line the way the main window does: a new paragraph in one colour.
inline void addLine(QTextDocument* doc, const QString& text, const QColor& colour) {
  QTextCursor cursor(doc);
  cursor.movePosition(QTextCursor::End);
  if (!doc->isEmpty()) cursor.insertBlock();
  QTextCharFormat format;
  format.setForeground(colour);
  cursor.insertText(text, format);
}

}  // namespace orv::test
