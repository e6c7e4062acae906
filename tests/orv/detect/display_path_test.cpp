#include "detect/display_path.h"

#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <random>

#include "detect/native_path.h"

namespace {

// Characters that make the text after them look like a line of its own, or hide or reorder it.
bool breaksOrHides(char32_t c) {
  const auto category = QChar::category(c);
  return category == QChar::Other_Control || category == QChar::Other_Format ||
         category == QChar::Separator_Line || category == QChar::Separator_Paragraph ||
         category == QChar::Other_Surrogate || QChar::isNonCharacter(c);
}

TEST(DisplayPath, ShowsEveryTroublesomeCharacterEscaped) {
  const struct {
    QString path;
    const char* shown;
  } cases[] = {
      {QStringLiteral("/a\\b"), "/a\\\\b"},
      {QStringLiteral("a\r\nb\tc\x7f"), "a\\u000D\\u000Ab\\u0009c\\u007F"},
      {QString::fromUtf16(u"a\u0085\u2028\u2029b"), "a\\u0085\\u2028\\u2029b"},
      {QString::fromUtf16(u"\uFDD0\uFDD1\uFDEF\uFFFE\uFFFF"),
       "\\uFDD0\\uFDD1\\uFDEF\\uFFFE\\uFFFF"},
      {QString::fromUtf16(u"\u202Eexe\u200B\u00AD\uFEFF"), "\\u202Eexe\\u200B\\u00AD\\uFEFF"},
      {QString::fromUcs4(U"\U000E0001\U0001FFFE"), "\\U000E0001\\U0001FFFE"},
      {QChar(0xD800) + QStringLiteral("x") + QChar(0xDFFF), "\\uD800x\\uDFFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(orv::displayPath(c.path), QString::fromLatin1(c.shown)) << c.shown;
    EXPECT_EQ(orv::pathFromDisplay(QString::fromLatin1(c.shown)), c.path) << c.shown;
  }
  // A typed backslash that starts no escape of the rule stands for itself.
  for (const char* typed : {"C:\\Programme\\x.exe", "\\x4", "\\u12G4", "\\U00110000", "end\\"})
    EXPECT_EQ(orv::pathFromDisplay(QString::fromLatin1(typed)), QString::fromLatin1(typed));
}

TEST(DisplayPath, AnyTextComesBackExactlyAndShowsAsOneCleanLine) {
  // Runs of units drawn mostly from the awkward places: escapes, surrogates, separators,
  // backslashes, and the letters and digits an escape is made of.
  const char16_t pool[] = {u'\\',  u'x',   u'u',   u'U',   u'0',   u'8',   u'F',
                           u'a',   u'\n',  u'\r',  0x85,   0xA0,   0xE4,   0x2028,
                           0x2029, 0x202E, 0xFDD0, 0xFDD1, 0xFEFF, 0xFFFE, 0xD83D,
                           0xDE00, 0xDB40, 0xDC01, 0xDC80, 0xDCE4, 0xDD00, 0xDD7F};
  std::mt19937 random(12);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pool) - 1);
  std::uniform_int_distribution<int> length(0, 12);
  for (int round = 0; round < 20000; ++round) {
    QString path;
    for (int n = length(random); n > 0; --n) path += QChar(pool[pick(random)]);
    const QString shown = orv::displayPath(path);
    ASSERT_EQ(orv::pathFromDisplay(shown), path) << qPrintable(shown);
    for (const char32_t c : shown.toUcs4()) ASSERT_FALSE(breaksOrHides(c)) << qPrintable(shown);
  }
}

}  // namespace
