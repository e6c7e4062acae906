#include "shell/scramble_text.h"

namespace orv {

QByteArray ScrambleText(const QByteArray& text) {
  QByteArray result(text.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i)
    result[i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ ((i + 1) & 0xFF));
  return result;
}

}  // namespace orv
