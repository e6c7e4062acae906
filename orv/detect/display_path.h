#pragma once

#include <QString>

namespace orv {

// The one rule by which a name (a file's path, a file name in the allowed list, a signature's
// dialer name) is shown to the user: in the report, in the scan memo, in the allowed list
// and in a warning. Whatever the name holds, it shows as one line that cannot pass for any
// other text, and the rule can be undone exactly.
//
//   a byte that is not valid UTF-8            \xHH        (two upper-case hex digits)
//   the backslash itself                      \\          (so that every escape is unambiguous)
//   a control character (Cc), a format        \uHHHH      (four hex digits, within U+FFFF)
//   character (Cf), a line or paragraph       \UHHHHHHHH  (eight hex digits, beyond it)
//   separator (Zl, Zp), a non-character
//   (U+FDD0..U+FDEF, U+xFFFE, U+xFFFF) or a
//   lone surrogate
//
// Everything else stands as it is. The escaped characters are those that break a line (CR,
// LF, NEL, U+2028, U+2029; Qt's text document also splits its blocks at U+FDD0 and U+FDD1),
// that cannot be seen (zero-width characters, the soft hyphen) or that reorder what follows
// (the bidirectional overrides, which could make "exe.txt" read "txt.exe").
QString displayPath(const QString& path);

// Undoes displayPath: pathFromDisplay(displayPath(p)) == p for every p. A backslash that
// starts no escape of the rule stands for itself, so any typed text is taken.
QString pathFromDisplay(const QString& shown);

}  // namespace orv
