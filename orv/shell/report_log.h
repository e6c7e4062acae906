#pragma once

#include <QString>
#include <cstdint>

class QColor;
class QPlainTextEdit;
class QPrinter;

namespace orv {

// The colours of report lines, as platform colour numbers (red + 256 green + 65536 blue).
enum ReportColour : int32_t {
  kBlack = 0,
  kRed = 255,
  kGreen = 32768,
  kDarkYellow = 39835,
};

// The report: coloured, time-stamped paragraphs in the rich-text box `Logging`, with an
// optional bare copy into the scan page's `Memo1`.
class ReportLog {
 public:
  ReportLog(QPlainTextEdit* logging, QPlainTextEdit* scanMemo);

  // Appends "<time> <text>" as a new last paragraph in `colour`; with copyToScanMemo the
  // text alone also becomes the last line of the scan memo.
  void addLine(const QString& text, int32_t colour, bool copyToScanMemo);
  // Appends an empty paragraph, without a time.
  void addEmptyLine();
  void clear();

  // Writes the report as rich text; throws OrvError("Datei %s kann nicht erstellt werden").
  void save(const QString& fileName) const;
  // Prints the whole report on `printer`, without header, footer or page numbers; throws
  // OrvError when there is no usable printer or the print fails.
  void print(QPrinter& printer) const;

 private:
  void appendParagraph(const QString& line, int32_t colour);

  QPlainTextEdit* m_logging;
  QPlainTextEdit* m_scanMemo;
};

// The colour number as a colour.
QColor colourFromNumber(int32_t number);

}  // namespace orv
