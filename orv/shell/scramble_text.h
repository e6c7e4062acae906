#pragma once

#include <QByteArray>

namespace orv {

// The light disguise of the list files' text: the byte at position i (counting from 1) is
// XORed with i mod 256. Applying it twice gives the text back, so it serves for storing and
// for reading alike. No key: it only keeps the lists from being read at a glance.
QByteArray ScrambleText(const QByteArray& text);

}  // namespace orv
