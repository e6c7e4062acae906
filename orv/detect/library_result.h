#pragma once

#include <QString>

#include "short_text.h"

namespace orv {

// A library's answer: "OK" exactly means nothing was found.
bool isNothingFound(const ShortText& result);
// The answer as text; libraries answer in single bytes of the Windows-1252 code page.
QString resultText(const ShortText& result);

}  // namespace orv
