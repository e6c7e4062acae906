#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orv {

// "erlaubt.conf": the lines of the allowed-applications list, each stored as ScrambleText of
// its bytes, CR LF between lines and after the last one; an empty list is an empty file.
//
// The scrambling can turn a character into a 0, CR or LF byte. A lone CR or LF and a 0 byte are
// part of their line (only CR LF ends one). A line whose stored form holds CR LF itself could
// not be told from two lines, so the writer puts a length line before it: the scrambled text
// ESC "ORV-Zeile:" and the stored line's length in decimal. Lines without CR LF, the usual
// case, are stored exactly as described above.
QStringList allowedListFromFile(const QByteArray& file);
QByteArray allowedListToFile(const QStringList& lines);

// The bytes a line of the list stands for in the file, and back. The file holds the file
// system's own bytes of a name; the list shows names by the rule of displayPath, so a name
// that is not UTF-8, or holds a line break, goes back to its exact bytes.
QByteArray allowedLineToBytes(const QString& line);
QString allowedLineFromBytes(const QByteArray& bytes);

}  // namespace orv
