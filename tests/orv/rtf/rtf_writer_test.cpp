#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

#include "rtf_test_util.h"
#include "shell/rtf/rtf_reader.h"
#include "shell/rtf/rtf_writer.h"

namespace orv {
namespace {

using test::addLine;
using test::describe;

const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kDarkYellow(155, 155, 0);

const QString kPath = QString::fromUtf8("/home/jürgen/Downloads/€uro-Dialer.exe");
const QString kUmlauts = QString::fromUtf8("ä ö ü ß Ü");

bool isAscii(const QByteArray& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

// Braces outside escapes balance and never close more than was opened.
bool bracesBalance(const QByteArray& rtf) {
  int depth = 0;
  for (qsizetype i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;  // an escaped brace or backslash is text
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}' && --depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

QString roundTrip(const QTextDocument& doc) {
  QTextDocument back;
  EXPECT_TRUE(RtfReader::read(RtfWriter::write(doc), &back));
  return describe(back);
}

void fillReport(QTextDocument* doc) {
  addLine(doc, "14:03:27 ORV Report erstellt am 01.06.2024.", kBlack);
  addLine(doc, "14:03:27  ORV gestartet und DFÜ Netzwerküberwachung initialisiert.", kBlack);
  addLine(doc, "14:03:30 " + kPath + " - Infektion: Dialer {X} \\ 1", kRed);
  addLine(doc, "14:03:31 Infizierte Datei erfolgreich gelöscht.", kGreen);
  addLine(doc, "14:03:32 " + kUmlauts + " - Verdächtig: 日本語 😀", kDarkYellow);
}

TEST(RtfWriter, EmptyDocumentIsValidRtfWithoutText) {
  const QByteArray rtf = RtfWriter::write(QTextDocument());
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
  EXPECT_TRUE(bracesBalance(rtf));
  EXPECT_TRUE(rtf.trimmed().endsWith('}'));
  EXPECT_FALSE(rtf.contains("\\par\n"));
  EXPECT_EQ(roundTrip(QTextDocument()), "");
}

TEST(RtfWriter, ReportKeepsTextParagraphsAndColours) {
  QTextDocument doc;
  fillReport(&doc);
  const QByteArray rtf = RtfWriter::write(doc);
  EXPECT_TRUE(isAscii(rtf));
  EXPECT_TRUE(bracesBalance(rtf));
  // One table entry per colour, in the order of first use; black is written explicitly.
  EXPECT_TRUE(rtf.contains(
      "{\\colortbl ;\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red0\\green128\\blue0;"
      "\\red155\\green155\\blue0;}"))
      << rtf.constData();
  EXPECT_EQ(rtf.count("\\par\n"), 4);
  EXPECT_EQ(roundTrip(doc), describe(doc));
  EXPECT_EQ(roundTrip(doc).count("{c=ff0000:"), 1);
}

TEST(RtfWriter, FragmentsKeepTheirOwnFormat) {
  QTextDocument doc;
  QTextCursor cursor(&doc);
  QTextCharFormat red;
  red.setForeground(kRed);
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  QTextCharFormat all = bold;
  all.setFontItalic(true);
  all.setFontUnderline(true);
  all.setFontPointSize(14);
  all.setForeground(kGreen);
  cursor.insertText("rot ", red);
  cursor.insertText("fett ", bold);
  cursor.insertText("alles", all);
  cursor.insertText(" schlicht", QTextCharFormat());
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  cursor.insertBlock(centred);
  cursor.insertText("mitte");
  EXPECT_EQ(roundTrip(doc),
            "{c=ff0000:rot }{b:fett }{b,i,u,c=008000,s=14:alles} schlicht\n<c>mitte");
}

TEST(RtfWriter, FontSizeStaysInRange) {
  QTextDocument doc;
  QTextCharFormat huge;
  huge.setFontPointSize(1e12);
  QTextCursor(&doc).insertText("x", huge);
  EXPECT_TRUE(RtfWriter::write(doc).contains("{\\fs3276 x}"));
}

struct TextCase {
  const char* name;
  const char* text;     // UTF-8
  const char* escaped;  // how the writer must store it
};

void PrintTo(const TextCase& c, std::ostream* os) {
  *os << c.name;
}

class RtfWriterText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RtfWriterText, EscapesAndReadsBack) {
  QTextDocument doc;
  addLine(&doc, QString::fromUtf8(GetParam().text), kBlack);
  const QByteArray rtf = RtfWriter::write(doc);
  EXPECT_TRUE(isAscii(rtf));
  EXPECT_TRUE(bracesBalance(rtf)) << rtf.constData();
  EXPECT_TRUE(rtf.contains(GetParam().escaped)) << rtf.constData();
  EXPECT_EQ(roundTrip(doc), describe(doc));
}

const TextCase kTexts[] = {
    {"Ascii", "Scan des Verzeichnisses /tmp abgeschlossen.",
     "Scan des Verzeichnisses /tmp abgeschlossen."},
    {"Umlauts", "ä ö ü ß Ü", "\\'e4 \\'f6 \\'fc \\'df \\'dc"},
    {"Utf8Path", "/home/jürgen/Downloads/€uro-Dialer.exe",
     "/home/j\\'fcrgen/Downloads/\\'80uro-Dialer.exe"},
    {"Cjk", "日本語", "\\u26085?\\u26412?\\u-30050?"},
    {"Emoji", "a😀b", "a\\u-10179?\\u-8704?b"},
    {"Syntax", "{\\}", "\\{\\\\\\}"},
    {"WindowsPath", "C:\\Programme\\{neu}", "C:\\\\Programme\\\\\\{neu\\}"},
    {"Tab", "a\tb", "a\\tab b"},
    {"NonBreakingSpace", "a\u00a0b", "a\\~b"},
    {"LineSeparator", "a\u2028b", "a\\line b"},
    {"ControlCharacter",
     "a\x01"
     "b",
     "a\\'01b"},
    {"Cp1252Punctuation", "„zitat“ – …", "\\'84zitat\\'93 \\'96 \\'85"},
};
INSTANTIATE_TEST_SUITE_P(Texts, RtfWriterText, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs a reader that is not ours over a saved report and returns the text it sees.
QString textByOtherReader(const QString& rtfPath, const QString& outDir) {
  if (const QString unrtf = QStandardPaths::findExecutable("unrtf"); !unrtf.isEmpty()) {
    QProcess p;
    p.start(unrtf, {"--text", rtfPath});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return "unrtf failed";
    return decodePlainText(p.readAllStandardOutput());  // unrtf writes Latin-1
  }
  QString office = QStandardPaths::findExecutable("libreoffice");
  if (office.isEmpty()) office = QStandardPaths::findExecutable("soffice");
  if (office.isEmpty()) return {};
  QProcess p;
  p.start(office,
          {"-env:UserInstallation=" + QUrl::fromLocalFile(outDir + "/profile").toString(),
           "--headless", "--convert-to", "txt:Text (encoded):UTF8", "--outdir", outDir, rtfPath});
  if (!p.waitForFinished(240000)) return "office failed";
  QFile text(outDir + "/" + QFileInfo(rtfPath).completeBaseName() + ".txt");
  if (!text.open(QIODevice::ReadOnly)) return "office wrote nothing";
  return decodePlainText(text.readAll());
}

TEST(RtfWriter, OtherReaderSeesTextAndUmlauts) {
  if (QStandardPaths::findExecutable("unrtf").isEmpty() &&
      QStandardPaths::findExecutable("libreoffice").isEmpty() &&
      QStandardPaths::findExecutable("soffice").isEmpty()) {
    GTEST_SKIP() << "neither unrtf nor libreoffice is installed";
  }
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QTextDocument doc;
  fillReport(&doc);
  const QString path = dir.filePath("report.rtf");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(RtfWriter::write(doc));
  file.close();

  const QString text = textByOtherReader(path, dir.path());
  EXPECT_TRUE(text.contains("14:03:27 ORV Report erstellt am 01.06.2024.")) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromUtf8("DFÜ Netzwerküberwachung initialisiert.")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromUtf8("/home/jürgen/Downloads/"))) << text.toStdString();
  EXPECT_TRUE(text.contains("Dialer {X} \\ 1")) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromUtf8("erfolgreich gelöscht."))) << text.toStdString();
  EXPECT_TRUE(text.contains(kUmlauts + QString::fromUtf8(" - Verdächtig:"))) << text.toStdString();
  // Nothing of the markup leaks into the text.
  EXPECT_FALSE(text.contains("colortbl") || text.contains("\\cf") || text.contains("\\'"))
      << text.toStdString();
}

}  // namespace
}  // namespace orv
