#pragma once

#include <QByteArray>
#include <QString>

namespace orv {

// File names on Linux are bytes. The window works in QString; these two convert without
// loss: valid UTF-8 decodes as usual, and every byte that is not part of valid UTF-8
// becomes the lone surrogate U+DC80 + byte, which the way back turns into that byte again.
QString pathFromNative(const QByteArray& bytes);
QByteArray pathToNative(const QString& path);

// Whether the unit at `i` of a converted path stands for a byte that was not valid UTF-8
// (and is not the low half of a real surrogate pair), and which byte that is.
bool isEscapedByte(const QString& path, qsizetype i);
unsigned char escapedByteValue(QChar unit);
QChar escapedByteUnit(unsigned char byte);

}  // namespace orv
