#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QTextDocument>

#include <string>

#include "rtf_test_util.h"
#include "shell/rtf/rtf_reader.h"

namespace orv {
namespace {

using test::describe;

struct ReadCase {
  const char* name;
  std::string rtf;
  const char* expected;  // UTF-8, in the form of describe()
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.name;
}

QString readToDescription(const std::string& rtf) {
  QTextDocument doc;
  EXPECT_TRUE(RtfReader::read(QByteArray::fromStdString(rtf), &doc));
  return describe(doc);
}

class RtfReaderCase : public ::testing::TestWithParam<ReadCase> {};

TEST_P(RtfReaderCase, ProducesDocument) {
  EXPECT_EQ(readToDescription(GetParam().rtf), QString::fromUtf8(GetParam().expected));
}

const ReadCase kFeatures[] = {
    {"Text", R"({\rtf1\ansi Hallo Welt})", "Hallo Welt"},
    {"Paragraphs", R"({\rtf1 a\par b\par\pard c})", "a\nb\nc"},
    {"TrailingParagraph", R"({\rtf1 a\par})", "a\n"},
    {"BackslashNewlineIsParagraph", "{\\rtf1 a\\\nb}", "a\nb"},
    {"LineBreak", R"({\rtf1 a\line b})", "a\u2028b"},
    {"NewlinesIgnored", "{\\rtf1 a\r\nb\nc}", "abc"},
    {"Bold", R"({\rtf1 a{\b b}c\b d\b0 e})", "a{b:b}c{b:d}e"},
    {"Italic", R"({\rtf1 \i a\i0 b})", "{i:a}b"},
    {"Underline", R"({\rtf1 \ul a\ulnone b\ul c\ul0 d})", "{u:a}b{u:c}d"},
    {"Combined", R"({\rtf1 \b\i\ul a})", "{b,i,u:a}"},
    {"GroupRestoresFormat", R"({\rtf1 {\b a{\i b}c}d})", "{b:a}{b,i:b}{b:c}d"},
    {"Plain", R"({\rtf1 \b\i\fs40 a\plain b})", "{b,i,s=20:a}b"},
    {"Colours",
     R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green128\blue0;}\cf1 r\cf2 g\cf0 d})",
     "{c=ff0000:r}{c=008000:g}d"},
    {"ColourMissingComponentsAreZero", R"({\rtf1{\colortbl;\green128;}\cf1 g})", "{c=008000:g}"},
    {"ColourOutOfTable", R"({\rtf1{\colortbl;\red255\green0\blue0;}\cf7 x})", "x"},
    {"ColourAutoEntry", R"({\rtf1{\colortbl;\red255\green0\blue0;}\cf0 x})", "x"},
    {"FontSizeHalfPoints", R"({\rtf1 \fs20 a\fs0 b})", "{s=10:a}b"},
    {"CodePageEscapes", R"({\rtf1\ansi\ansicpg1252 \'e4\'f6\'fc\'df\'dc\'80\'C4})", "äöüßÜ€Ä"},
    {"DefaultCodePageIs1252", R"({\rtf1 \'80\'85})", "€…"},
    {"Latin1CodePage", R"({\rtf1\ansicpg28591 \'80\'e4})", "\u0080ä"},
    {"UnknownCodePageReadAs1252", R"({\rtf1\ansicpg1251 \'80})", "€"},
    {"RawHighBytes",
     "{\\rtf1 Gr\xfc\xdf"
     "e}",
     "Grüße"},
    {"Unicode", R"({\rtf1 \u228?x})", "äx"},
    {"UnicodeNegative", R"({\rtf1 \u-10179?\u-8704?!})", "😀!"},
    {"UnicodeWholeCodePoint", R"({\rtf1 \u128512?!})", "😀!"},
    {"UnicodeNoFallback", R"({\rtf1 \uc0\u26085\u26412 x})", "日本x"},
    {"UnicodeLongFallback", R"({\rtf1 \uc2\u228 ab c})", "ä c"},
    {"UnicodeFallbackEscape", R"({\rtf1 \u8364\'80x})", "€x"},
    {"UnicodeFallbackControlWord", R"({\rtf1 \u8364\tab x})", "€x"},
    {"UnicodeFallbackEndsWithGroup", R"({\rtf1 {\uc3\u228 a}b})", "äb"},
    {"UcIsScopedToGroup", R"({\rtf1 {\uc0 a}\u228?})", "aä"},
    {"Literals", R"({\rtf1 a\{b\}c\\d})", "a{b}c\\d"},
    {"Tab", R"({\rtf1 a\tab b})", "a\tb"},
    {"SpecialCharacters", R"({\rtf1 a\~b\-c\_d})", "a\u00a0b\u00adc\u2011d"},
    {"NamedSymbols", R"({\rtf1 \bullet\emdash\endash\lquote\rquote\ldblquote\rdblquote})",
     "•—–‘’“”"},
    {"DelimiterSpaceConsumedOnce", R"({\rtf1 \b  a})", "{b: a}"},
    {"NumericDelimiter", R"({\rtf1 \fs20x})", "{s=10:x}"},
    {"Hidden", R"({\rtf1 a{\v hidden}b})", "ab"},
    {"Alignment", R"({\rtf1 \qc a\par b\par\pard c\par\qr d\par\pard\qj e})",
     "<c>a\n<c>b\nc\n<r>d\n<j>e"},
    {"SkippedTables",
     R"({\rtf1{\fonttbl{\f0\fswiss Sans;}}{\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}}x})",
     "x"},
    {"SkippedDestinations",
     R"({\rtf1 a{\pict\pngblip 89504e47}b{\object{\objdata 0102}}c{\header h}{\footer f}d{\footnote n}e})",
     "abcde"},
    {"StarredDestinationsSkipped", R"({\rtf1 a{\*\generator W;}b{\*\unknownthing {nested} x}c})",
     "abc"},
    {"FieldResultShown", R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt Link}}})", "Link"},
    {"BinarySkipped", R"({\rtf1 a{\pict\bin4 {}\x}b})", "ab"},
    {"TextAfterDocumentIgnored", R"({\rtf1 a}b{c})", "a"},
    {"ControlCharactersDropped",
     std::string("{\\rtf1 a") + '\0' +
         "\x01\x1f"
         "b}",
     "ab"},
};
INSTANTIATE_TEST_SUITE_P(Features, RtfReaderCase, ::testing::ValuesIn(kFeatures),
                         [](const auto& info) { return std::string(info.param.name); });

// Broken documents: each reads to what it reasonably says, without crash or hang.
const ReadCase kMalformed[] = {
    {"ExtraClosingBraces", R"({\rtf1 a}}}}b)", "a"},
    {"ExtraClosingBracesInside", R"({\rtf1 a}})", "a"},
    {"MissingClosingBraces", R"({\rtf1 a{\b b)", "a{b:b}"},
    {"CutHexEscape", R"({\rtf1 a\'4)", "a"},
    {"CutHexEscapeBeforeText", R"({\rtf1 a\'4x})", "ax"},
    {"BadHexEscape", R"({\rtf1 a\'zzb})", "azzb"},
    {"CutAfterBackslash", "{\\rtf1 a\\", "a"},
    {"CutUnicode", R"({\rtf1 a\u)", "a"},
    {"UnicodeWithoutNumber", R"({\rtf1 a\u-b})", "a-b"},
    {"HugeFontSize", R"({\rtf1 \fs99999999999999999999 x})", "{s=1638:x}"},
    {"NegativeFontSize", R"({\rtf1 \fs-20 x})", "x"},
    {"HugeNegativeUnicode", R"({\rtf1 \u-99999999999?x})", "\ufffdx"},
    {"HugeUnicode", R"({\rtf1 \u99999999999?x})", "\ufffdx"},
    {"HugeColourIndex", R"({\rtf1{\colortbl;\red1\green2\blue3;}\cf4294967297 x})", "x"},
    {"HugeColourComponent", R"({\rtf1{\colortbl;\red99999\green-5\blue256;}\cf1 x})",
     "{c=ff00ff:x}"},
    {"HugeUc", R"({\rtf1 {\uc99999999999\u228 abc}d})", "äd"},
    {"HugeBin", R"({\rtf1 a\bin99999999999 bcd})", "a"},
    {"NegativeBin", R"({\rtf1 a\bin-5 b})", "ab"},
    {"StarAlone", R"({\rtf1 a\*b})", "ab"},
    {"StarBeforeText", R"({\rtf1 {\* a}b})", " ab"},
    {"StarForgottenAfterText", R"({\rtf1 a\*b\par c})", "ab\nc"},
    {"OnlyHeader", R"({\rtf)", ""},
};
INSTANTIATE_TEST_SUITE_P(Malformed, RtfReaderCase, ::testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfReaderLimits, DeepNestingIsDroppedAndReadingGoesOn) {
  constexpr int kDepth = 1000000;
  const std::string rtf =
      "{\\rtf1 a" + std::string(kDepth, '{') + "deep" + std::string(kDepth, '}') + "b}";
  EXPECT_EQ(readToDescription(rtf), "ab");
}

TEST(RtfReaderLimits, UnclosedDeepNestingEnds) {
  EXPECT_EQ(readToDescription("{\\rtf1 a" + std::string(1000000, '{') + "x"), "a");
}

TEST(RtfReaderLimits, ModerateNestingKeepsText) {
  const std::string rtf = "{\\rtf1 " + std::string(100, '{') + "x" + std::string(100, '}') + "}";
  EXPECT_EQ(readToDescription(rtf), "x");
}

TEST(RtfReaderLimits, LongControlWordIsUnknown) {
  EXPECT_EQ(readToDescription("{\\rtf1 \\" + std::string(100000, 'b') + " x}"), "x");
}

TEST(RtfReaderLimits, LongNumberIsSaturated) {
  EXPECT_EQ(readToDescription("{\\rtf1 \\fs" + std::string(100000, '9') + " x}"), "{s=1638:x}");
}

TEST(RtfReaderLimits, ManyColoursAreBounded) {
  std::string rtf = "{\\rtf1{\\colortbl;";
  for (int i = 0; i < 100000; ++i) rtf += "\\red1;";
  rtf += "}\\cf2 a\\cf99999 b}";
  EXPECT_EQ(readToDescription(rtf), "{c=010000:a}b");
}

TEST(RtfReaderLimits, RandomBytesAfterHeaderDoNotCrash) {
  QRandomGenerator random(20240601);  // fixed seed: the same junk on every run
  for (int round = 0; round < 200; ++round) {
    QByteArray rtf = "{\\rtf1 ";
    const int size = random.bounded(1, 4096);
    for (int i = 0; i < size; ++i) {
      // Mostly syntax characters, so the junk reaches deep into the parser.
      static const char kSyntax[] = "{}\\'*0123456789-uucbfspar ;";
      rtf += random.bounded(3) == 0 ? char(random.bounded(256))
                                    : kSyntax[random.bounded(int(sizeof kSyntax) - 1)];
    }
    QTextDocument doc;
    EXPECT_TRUE(RtfReader::read(rtf, &doc));
  }
}

TEST(RtfReader, ReplacesEarlierContent) {
  QTextDocument doc;
  doc.setPlainText("old\ntext");
  ASSERT_TRUE(RtfReader::read(R"({\rtf1 new})", &doc));
  EXPECT_EQ(describe(doc), "new");
}

TEST(RtfReader, RefusesNonRtfAndLeavesDocument) {
  QTextDocument doc;
  doc.setPlainText("keep");
  EXPECT_FALSE(RtfReader::read(" {\\rtf1 x}", &doc));
  EXPECT_FALSE(RtfReader::read("", &doc));
  EXPECT_EQ(doc.toPlainText(), "keep");
}

TEST(RtfReader, LoadingIsNoUndoStep) {
  QTextDocument doc;
  ASSERT_TRUE(RtfReader::read(R"({\rtf1 a\par b})", &doc));
  EXPECT_TRUE(doc.isUndoRedoEnabled());
  EXPECT_FALSE(doc.isUndoAvailable());
}

struct PlainCase {
  const char* name;
  std::string bytes;
  const char* expected;  // UTF-8
};

void PrintTo(const PlainCase& c, std::ostream* os) {
  *os << c.name;
}

class LoadRichTextCase : public ::testing::TestWithParam<PlainCase> {};

TEST_P(LoadRichTextCase, ShowsText) {
  QTextDocument doc;
  loadRichText(&doc, QByteArray::fromStdString(GetParam().bytes));
  EXPECT_EQ(describe(doc), QString::fromUtf8(GetParam().expected));
}

const PlainCase kLoads[] = {
    {"Rtf", R"({\rtf1 {\b fett} normal})", "{b:fett} normal"},
    {"Utf8Text", "Grüße aus Köln\nZeile 2", "Grüße aus Köln\nZeile 2"},
    {"Utf8WithByteOrderMark", "\xef\xbb\xbfHallo", "Hallo"},
    {"Windows1252Text",
     "Gr\xfc\xdf"
     "e \x80 \x84zitat\x93",
     "Grüße € „zitat“"},
    {"Empty", "", ""},
    {"RtfNotAtStart", " {\\rtf1 \\b x}", " {\\rtf1 \\b x}"},
    {"RtfMarkupInText", "{\\rt", "{\\rt"},
};
INSTANTIATE_TEST_SUITE_P(Load, LoadRichTextCase, ::testing::ValuesIn(kLoads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodePlainText, InvalidUtf8FallsBackForTheWholeText) {
  // One stray Latin-1 byte: the valid UTF-8 sequence before it is then also read as 1252.
  EXPECT_EQ(decodePlainText("\xc3\xa4 \xe4"), QString::fromUtf8("Ã¤ ä"));
}

}  // namespace
}  // namespace orv
