#include "detect/library_result.h"

#include "cp1252.h"

namespace orv {

bool isNothingFound(const ShortText& result) {
  return result.length == 2 && result.chars[0] == 'O' && result.chars[1] == 'K';
}

QString resultText(const ShortText& result) {
  QString text;
  text.reserve(result.length);
  for (int i = 0; i < result.length; ++i) text.append(QChar(cp1252ToUnicode(result.chars[i])));
  return text;
}

}  // namespace orv
