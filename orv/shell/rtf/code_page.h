#pragma once

#include <QChar>

namespace orv {

// Windows-1252, the code page of the report files and of most help texts. Bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of
// the same value, as Windows itself does, so every byte decodes to something.
char16_t cp1252ToUnicode(unsigned char byte);

// The Windows-1252 byte of `ch`, or -1 when the code page has no such character.
int unicodeToCp1252(char16_t ch);

}  // namespace orv
