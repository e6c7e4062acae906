#include "shell/report_log.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>

#include "shell/document_printing.h"
#include "shell/locale_format.h"
#include "shell/orv_error.h"
#include "shell/rtf/rtf_writer.h"

namespace orv {

QColor colourFromNumber(int32_t number) {
  const auto n = static_cast<uint32_t>(number);
  return QColor(n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF);
}

ReportLog::ReportLog(QPlainTextEdit* logging, QPlainTextEdit* scanMemo)
    : m_logging(logging), m_scanMemo(scanMemo) {}

void ReportLog::appendParagraph(const QString& line, int32_t colour) {
  QTextCharFormat format;
  format.setForeground(colourFromNumber(colour));
  QTextCursor cursor(m_logging->document());
  // One edit: the document lays the new line out once, not after each step (and the move
  // to the end does not measure the last line again).
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  // The first line of an empty report fills the empty first paragraph.
  if (!m_logging->document()->isEmpty() || m_logging->document()->blockCount() > 1)
    cursor.insertBlock();
  cursor.insertText(line, format);
  cursor.endEditBlock();
  m_logging->setCurrentCharFormat(format);
}

void ReportLog::addLine(const QString& text, int32_t colour, bool copyToScanMemo) {
  appendParagraph(longTimeNow() + QLatin1Char(' ') + text, colour);
  if (copyToScanMemo) m_scanMemo->appendPlainText(text);
}

void ReportLog::addEmptyLine() {
  QTextCursor cursor(m_logging->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertBlock();
}

void ReportLog::clear() {
  m_logging->clear();
}

void ReportLog::save(const QString& fileName) const {
  const QByteArray rtf = RtfWriter::write(*m_logging->document());
  // Written whole or not at all: a failed save never leaves half a report behind.
  QSaveFile file(fileName);
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size() || !file.commit())
    throw OrvError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(fileName));
}

void ReportLog::print(QPrinter& printer) const {
  const bool usable = printer.outputFormat() == QPrinter::PdfFormat
                          ? !printer.outputFileName().isEmpty()
                          : printer.isValid() && !printer.printerName().isEmpty();
  if (!usable) throw OrvError(QStringLiteral("Zur Zeit ist kein Standarddrucker gewählt"));
  if (printDocument(*m_logging->document(), printer)) return;
  if (printer.outputFormat() == QPrinter::PdfFormat)
    throw OrvError(
        QStringLiteral("Datei %1 kann nicht erstellt werden").arg(printer.outputFileName()));
  throw OrvError(QStringLiteral("Der Report konnte nicht gedruckt werden"));
}

}  // namespace orv
