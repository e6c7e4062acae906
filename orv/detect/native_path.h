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

// A name the user reads in a list or a report line (a dial-up entry, a user name, a number),
// given as its bytes: as displayPath shows them, and every control, format or line and
// paragraph separator character shown as "\xHH" (or "\uHHHH"), so that a name can never
// start a new line or turn the text around it.
QString displayName(const QByteArray& bytes);

}  // namespace orv
