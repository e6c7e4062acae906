#pragma once

namespace orv {

// Windows-1252, the single-byte code page of the signature names, the library answers, the
// report files and most help texts. Bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value, as Windows itself does, so every
// byte decodes to something.
namespace cp1252_detail {
// 0x80..0x9F; the rest of the code page equals Latin-1.
inline constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};
}  // namespace cp1252_detail

inline char16_t cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return cp1252_detail::kHighControls[byte - 0x80];
  return byte;
}

// The Windows-1252 byte of `ch`, or -1 when the code page has no such character.
inline int unicodeToCp1252(char32_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<int>(ch);
  for (int i = 0; i < 32; ++i)
    if (cp1252_detail::kHighControls[i] == ch) return 0x80 + i;
  return -1;
}

// Whether the code page assigns no character to `byte`.
inline bool isUndefinedInCp1252(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

}  // namespace orv
