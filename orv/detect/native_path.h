#pragma once

#include <QByteArray>
#include <QString>

namespace orv {

// File names on Linux are bytes. The window works in QString; these two convert without
// loss: valid UTF-8 decodes as usual, and every byte that is not part of valid UTF-8
// becomes the lone surrogate U+DC80 + byte, which the way back turns into that byte again.
QString pathFromNative(const QByteArray& bytes);
QByteArray pathToNative(const QString& path);

}  // namespace orv
