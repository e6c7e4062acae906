#pragma once

#include <QByteArray>
#include <QString>

namespace orv {

// File names on Linux are bytes. The window works in QString; these two convert without
// loss: valid UTF-8 decodes as usual, and every byte that is not part of valid UTF-8
// becomes the lone surrogate U+DC80 + byte, which the way back turns into that byte again.
QString pathFromNative(const QByteArray& bytes);
QByteArray pathToNative(const QString& path);

// The path as the user reads it: bytes that were not valid UTF-8 shown as "\xHH", since a
// text box cannot hold them as they are.
QString displayPath(const QString& path);

}  // namespace orv
