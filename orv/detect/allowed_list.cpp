#include "allowed_list.h"

#include "crc32.h"
#include "detect/display_path.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace orv {

AllowedList::AllowedList(QPlainTextEdit* box) : m_box(box), m_collator(QLocale()) {
  m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

QString AllowedList::entryName(const QString& path) {
  // On Linux only "/" separates folders; "\" and ":" are ordinary characters of a file name.
  QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  for (QChar& c : name) {
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z') c = QChar(static_cast<char16_t>(u + (u'a' - u'A')));
  }
  // Shown like every name, so that a name can never make a line of its own in the list.
  return displayPath(name);
}

QString AllowedList::formatEntry(const QString& name, std::int32_t crc) {
  return name + QStringLiteral(" | ") +
         QStringLiteral("%1")
             .arg(static_cast<std::uint32_t>(crc), 8, 16, QLatin1Char('0'))
             .toUpper();
}

QString AllowedList::entryFor(const QString& path) {
  return formatEntry(entryName(path), FileCrc32(path));
}

bool AllowedList::isAllowed(const QString& path) const {
  return matches(entryFor(path));
}

void AllowedList::allowFile(const QString& path) {
  addEntry(entryFor(path));
}

bool AllowedList::matches(const QString& entry) const {
  const QStringList all = lines();
  for (const QString& line : all) {
    if (m_collator.compare(line, entry) == 0) return true;
  }
  return false;
}

bool AllowedList::addEntry(const QString& entry) {
  if (!m_box || entry.isEmpty()) return false;
  if (lines().contains(entry, Qt::CaseSensitive)) return false;

  QTextCursor cursor(m_box->document());
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  // A text that ends with a line break (or an empty box) already has its fresh last line.
  if (!cursor.block().text().isEmpty()) cursor.insertBlock();
  cursor.insertText(entry);
  cursor.endEditBlock();
  return true;
}

QStringList AllowedList::lines() const {
  QStringList result;
  if (!m_box) return result;
  // The blocks' own text, not toPlainText(), which turns a no-break space into a blank.
  for (QTextBlock block = m_box->document()->begin(); block.isValid(); block = block.next()) {
    result += block.text().split(QChar::LineSeparator);
  }
  return result;
}

}  // namespace orv
