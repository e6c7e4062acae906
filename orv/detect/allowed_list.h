#pragma once

#include <QCollator>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>

class QPlainTextEdit;

namespace orv {

// The allowed-applications list: the lines of the main window's text box `Erlaubt`, one entry
// per line ("setup.exe | 0A1B2C3D": the lower-cased file name, " | ", the file's CRC-32 as eight
// upper-case hex digits). Lines the user typed in another shape stay and simply never match.
class AllowedList {
 public:
  // `box` stays owned by the window; a list without box is empty and takes nothing.
  explicit AllowedList(QPlainTextEdit* box);

  // The file name of `path` as it appears in an entry: the part after the last "/", with only
  // A-Z lowered, shown by the rule of displayPath (so an entry is always one line, and the
  // name's own bytes can be had back from it with pathFromDisplay).
  static QString entryName(const QString& path);
  // The entry text for a name and a CRC-32 (-1 gives FFFFFFFF).
  static QString formatEntry(const QString& name, std::int32_t crc);
  // The entry of the file at `path`, its content read now.
  static QString entryFor(const QString& path);

  // Whether some line equals the file's entry, compared locale-aware and ignoring case.
  bool isAllowed(const QString& path) const;
  // Appends the file's entry as the last line unless a line is exactly equal to it.
  void allowFile(const QString& path);

  // The same two operations for an entry already built.
  bool matches(const QString& entry) const;
  // Returns whether the entry was appended.
  bool addEntry(const QString& entry);

  // The box's lines: its text split at every line break.
  QStringList lines() const;

 private:
  QPointer<QPlainTextEdit> m_box;
  QCollator m_collator;
};

}  // namespace orv
