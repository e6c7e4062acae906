// The three file formats of the settings and lists, without a window.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>

#include "shell/allowed_list_file.h"
#include "shell/scramble_text.h"
#include "shell/settings_formats.h"

namespace {

TEST(ConnectionsFile, RecordsAsStoredPartialRecordDropped) {
  QByteArray handMade(orv::kConnectionRecordSize, '\0');
  handMade[0] = 2;  // any mark but 0 allows
  handMade[1] = 3;
  handMade.replace(2, 3, "\x60\x60\x60");  // "abc" scrambled
  handMade[257] = 1;
  handMade[258] = '1' ^ 1;
  const orv::KnownConnectionList read =
      orv::connectionsFromFile(handMade + QByteArray(orv::kConnectionRecordSize - 1, 'x'));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_TRUE(read[0].Allowed);
  EXPECT_EQ(read[0].EntryName, QByteArray("abc"));
  EXPECT_EQ(read[0].PhoneText, QByteArray("1"));
  handMade[0] = 1;
  EXPECT_EQ(orv::connectionsToFile(read), handMade);
}

TEST(ConnectionsFile, ATextOf255BytesIsStoredWholeALongerOneCut) {
  for (const int length : {255, 256}) {
    const QByteArray name(length, 'n');
    const QByteArray file = orv::connectionsToFile({{true, name, QByteArray(length, '1')}});
    ASSERT_EQ(file.size(), orv::kConnectionRecordSize) << length;
    const orv::KnownConnectionList read = orv::connectionsFromFile(file);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].EntryName, name.left(255)) << length;
    EXPECT_EQ(read[0].PhoneText, QByteArray(255, '1')) << length;
  }
}

TEST(AllowedListFile, OrdinaryLinesAreStoredAsTheyStand) {
  const QByteArray file = orv::ScrambleText("setup.exe | 0A1B2C3D") + "\r\n" +
                          orv::ScrambleText("") + "\r\n" + orv::ScrambleText("b.exe | 00000F12") +
                          "\r\n";
  const QStringList lines{"setup.exe | 0A1B2C3D", "", "b.exe | 00000F12"};
  EXPECT_EQ(orv::allowedListFromFile(file), lines);
  EXPECT_EQ(orv::allowedListFromFile(file.chopped(2)), lines);  // no CR LF after the last line
  EXPECT_EQ(orv::allowedListToFile(lines), file);
  EXPECT_TRUE(orv::allowedListToFile({QString()}).isEmpty());
  EXPECT_TRUE(orv::allowedListFromFile({}).isEmpty());
}

TEST(AllowedListFile, LinesComeBackWholeWhateverTheirBytesScrambleTo) {
  const QString a35 = QString(35, QLatin1Char('a'));
  const QStringList tricky{
      a35 + ".exe | 0A1B2C3D",                         // "." at 36 scrambles to LF
      a35 + "aaaaaaaaaa.exe | 0A1B2C3D",               // "." at 46 scrambles to 0
      QString(44, QLatin1Char('a')) + " x.exe",        // " " at 45 scrambles to CR
      QString(31, QLatin1Char('a')) + "-+x.exe",       // "-+" at 32, 33 scramble to CR LF
      QString(55, QLatin1Char('a')) + "5371.exe",      // CR LF twice in a row
      QStringLiteral("\\u001BORV-Zeile:3"),            // reads like a length line
      QStringLiteral("\\xE4rger\\\\.exe | 0A1B2C3D"),  // not UTF-8, and a backslash
  };
  for (const QString& line : tricky) {
    const QStringList lines{"vorher.exe | 00000001", line, "", "nachher.exe | 00000002"};
    const QByteArray file = orv::allowedListToFile(lines);
    EXPECT_EQ(orv::allowedListFromFile(file), lines) << qPrintable(line);
    EXPECT_EQ(orv::allowedListToFile(orv::allowedListFromFile(file)), file);
  }
  EXPECT_EQ(orv::allowedLineToBytes(tricky.last()), QByteArray("\xe4rger\\.exe | 0A1B2C3D"));
}

}  // namespace
