#pragma once

#include <QByteArray>
#include <QImage>

namespace orv {

// Decodes a JPEG picture with libjpeg. A damaged or truncated picture gives a null image.
QImage decodeJpeg(const QByteArray& bytes);

}  // namespace orv
