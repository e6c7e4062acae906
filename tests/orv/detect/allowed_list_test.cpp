#include "detect/allowed_list.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cstdio>

using orv::AllowedList;

namespace {

// Contents whose CRC-32 are 0A1B2C3D and 00000F12 (leading zeros).
const QByteArray kSetupContent("ORV test \xbc\x0e\x76\x8a", 13);
const QByteArray kDialerContent("ORV test \xb1\xed\xac\xb2", 13);

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) return {};
  return path;
}

}  // namespace

class AllowedListTest : public QObject {
  Q_OBJECT

 private slots:
  void entryName_data();
  void entryName();
  void entryOfRealFiles();
  void typedLineOfOtherCaseMatchesButIsNotTheEntry();
  void allowingTwiceLeavesOneLine();
  void appendGoesOnTheLastLineWithoutGap_data();
  void appendGoesOnTheLastLineWithoutGap();
  void lookupComparesWholeLines();
  void unreadableFilesShareTheirEntry();
  void otherNameOrContentIsAnotherFile();
  void nonAsciiNamesKeepTheirCaseAndSurviveARoundTrip();
  void aNameCannotPlantAnEntryOfItsOwn_data();
  void aNameCannotPlantAnEntryOfItsOwn();
  void listWithoutBoxIsEmpty();

 private:
  QTemporaryDir m_dir;
};

void AllowedListTest::entryName_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("name");
  QTest::newRow("folder cut at last slash") << "/tmp/DIALER.EXE"
                                            << "dialer.exe";
  QTest::newRow("no slash: whole path") << "Datei nicht ermittelt"
                                        << "datei nicht ermittelt";
  // On Linux "\" and ":" belong to the file name.
  // ... and shown doubled, as in every name the user reads.
  QTest::newRow("backslash is part of the name") << "/home/u/Tool\\Setup.EXE"
                                                 << "tool\\\\setup.exe";
  QTest::newRow("colon is part of the name") << "/mnt/C:SETUP.exe"
                                             << "c:setup.exe";
  QTest::newRow("only A-Z lowered")
      << QStringLiteral("/x/ÄRGER-ÉTÉ-İ.EXE") << QStringLiteral("Ärger-ÉtÉ-İ.exe");
  QTest::newRow("digits and signs unchanged") << "/x/A_1-[Z]@.Exe"
                                              << "a_1-[z]@.exe";
  QTest::newRow("line breaks shown escaped") << "/x/A\nB\rC\u2028D\u2029E.exe"
                                             << "a\\u000Ab\\u000Dc\\u2028d\\u2029e.exe";
  QTest::newRow("trailing slash: empty name") << "/tmp/dir/"
                                              << "";
}

void AllowedListTest::entryName() {
  QFETCH(QString, path);
  QFETCH(QString, name);
  QCOMPARE(AllowedList::entryName(path), name);
}

void AllowedListTest::entryOfRealFiles() {
  QVERIFY(m_dir.isValid());
  const QString dialer = writeFile(m_dir, "DIALER.EXE", kDialerContent);
  const QString setup = writeFile(m_dir, "Setup.EXE", kSetupContent);
  const QString empty = writeFile(m_dir, "Empty.exe", {});
  QCOMPARE(AllowedList::entryFor(dialer), QStringLiteral("dialer.exe | 00000F12"));
  QCOMPARE(AllowedList::entryFor(setup), QStringLiteral("setup.exe | 0A1B2C3D"));
  QCOMPARE(AllowedList::entryFor(empty), QStringLiteral("empty.exe | 00000000"));
  QCOMPARE(AllowedList::entryFor(m_dir.filePath("x.exe")), QStringLiteral("x.exe | FFFFFFFF"));
  QCOMPARE(AllowedList::entryFor(QStringLiteral("Datei nicht ermittelt")),
           QStringLiteral("datei nicht ermittelt | FFFFFFFF"));
}

void AllowedListTest::typedLineOfOtherCaseMatchesButIsNotTheEntry() {
  const QString setup = writeFile(m_dir, "Setup.EXE", kSetupContent);
  QPlainTextEdit box;
  box.setPlainText(QStringLiteral("notepad.exe | 12345678\nSETUP.EXE | 0a1b2c3d"));
  AllowedList list(&box);

  QVERIFY(list.isAllowed(setup));
  // Adding compares exactly, so the entry in its own spelling still goes in.
  list.allowFile(setup);
  QCOMPARE(box.toPlainText(), QStringLiteral("notepad.exe | 12345678\nSETUP.EXE | 0a1b2c3d\n"
                                             "setup.exe | 0A1B2C3D"));
  QVERIFY(list.isAllowed(setup));
}

void AllowedListTest::allowingTwiceLeavesOneLine() {
  const QString setup = writeFile(m_dir, "Setup.EXE", kSetupContent);
  QPlainTextEdit box;
  AllowedList list(&box);
  QVERIFY(!list.isAllowed(setup));
  list.allowFile(setup);
  list.allowFile(setup);
  QCOMPARE(list.lines(), QStringList{QStringLiteral("setup.exe | 0A1B2C3D")});
  QVERIFY(list.isAllowed(setup));
}

void AllowedListTest::appendGoesOnTheLastLineWithoutGap_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("after");
  const QString e = QStringLiteral("setup.exe | 0A1B2C3D");
  QTest::newRow("empty box") << "" << e;
  QTest::newRow("one line") << "a"
                            << "a\n" + e;
  QTest::newRow("text ending in a line break") << "a\n"
                                               << "a\n" + e;
  QTest::newRow("user's empty line kept") << "a\n\n"
                                          << "a\n\n" + e;
  QTest::newRow("empty lines inside kept") << "\na\n\nb"
                                           << "\na\n\nb\n" + e;
}

void AllowedListTest::appendGoesOnTheLastLineWithoutGap() {
  QFETCH(QString, before);
  QFETCH(QString, after);
  const QString setup = writeFile(m_dir, "Setup.EXE", kSetupContent);
  QPlainTextEdit box;
  box.setPlainText(before);
  AllowedList(&box).allowFile(setup);
  QCOMPARE(box.toPlainText(), after);
}

void AllowedListTest::lookupComparesWholeLines() {
  const QString setup = writeFile(m_dir, "Setup.EXE", kSetupContent);
  const QStringList near = {
      QStringLiteral("setup.exe | 0A1B2C3E"),
      QStringLiteral("setup.exe | 0A1B2C3D "),
      QStringLiteral(" setup.exe | 0A1B2C3D"),
      QStringLiteral("setup.exe|0A1B2C3D"),
      QStringLiteral("setup.exe | 0A1B2C3"),
      QStringLiteral("xsetup.exe | 0A1B2C3D"),
      QStringLiteral("setup.exe"),
      QStringLiteral(""),
  };
  QPlainTextEdit box;
  box.setPlainText(near.join(QLatin1Char('\n')));
  QVERIFY(!AllowedList(&box).isAllowed(setup));
}

void AllowedListTest::unreadableFilesShareTheirEntry() {
  QPlainTextEdit box;
  AllowedList list(&box);
  list.allowFile(m_dir.filePath("gone/x.exe"));
  QCOMPARE(box.toPlainText(), QStringLiteral("x.exe | FFFFFFFF"));
  QVERIFY(list.isAllowed(m_dir.filePath("elsewhere/X.EXE")));
  list.allowFile(QStringLiteral("Datei nicht ermittelt"));
  QVERIFY(list.isAllowed(QStringLiteral("Datei nicht ermittelt")));
  QCOMPARE(list.lines().size(), 2);
}

void AllowedListTest::otherNameOrContentIsAnotherFile() {
  const QString setup = writeFile(m_dir, "Setup.EXE", kSetupContent);
  const QString renamed = writeFile(m_dir, "Setup2.EXE", kSetupContent);
  QTemporaryDir other;
  const QString copy = writeFile(other, "SETUP.exe", kSetupContent);
  const QString changed = writeFile(other, "setup.exe", kSetupContent + "!");
  Q_UNUSED(changed);
  QPlainTextEdit box;
  AllowedList list(&box);
  list.allowFile(setup);
  QVERIFY(list.isAllowed(copy));  // same name and content elsewhere: the same program
  QVERIFY(!list.isAllowed(renamed));
  QVERIFY(!list.isAllowed(other.filePath("setup.exe")));
}

void AllowedListTest::nonAsciiNamesKeepTheirCaseAndSurviveARoundTrip() {
  const QString name = QStringLiteral("ÄRGER-Ölfaß 日本.EXE");
  const QString path = writeFile(m_dir, name, kSetupContent);
  QVERIFY(!path.isEmpty());
  const QString entry = QStringLiteral("Ärger-Ölfaß 日本.exe | 0A1B2C3D");
  QCOMPARE(AllowedList::entryFor(path), entry);
  QCOMPARE(AllowedList::entryFor(path), AllowedList::entryFor(path));

  QPlainTextEdit box;
  AllowedList list(&box);
  // Typed with the umlauts in lower case: the look-up still ignores their case.
  box.setPlainText(QStringLiteral("ärger-ölfaß 日本.exe | 0a1b2c3d"));
  QVERIFY(list.isAllowed(path));
  // Case is ignored, accents are not.
  box.setPlainText(QStringLiteral("arger-olfaß 日本.exe | 0A1B2C3D"));
  QVERIFY(!list.isAllowed(path));
  box.setPlainText(QStringLiteral("ärger-ölfaß 日本.exe | 0a1b2c3d"));
  list.allowFile(path);
  QCOMPARE(list.lines().last(), entry);

  // Out of the box and back as the list file does it (locale bytes): still the same entry.
  const QByteArray stored = box.toPlainText().toLocal8Bit();
  box.setPlainText(QString::fromLocal8Bit(stored));
  QCOMPARE(list.lines().last(), entry);
  list.allowFile(path);
  QCOMPARE(list.lines().size(), 2);
  QVERIFY(list.isAllowed(path));
}

void AllowedListTest::aNameCannotPlantAnEntryOfItsOwn_data() {
  QTest::addColumn<QString>("separator");
  for (const char16_t c :
       {u'\n', u'\r', u'\x0b', u'\x0c', u'\x85', u'\u2028', u'\u2029', u'\ufdd0', u'\ufdd1'})
    QTest::newRow(qPrintable(QStringLiteral("U+%1").arg(int(c), 4, 16, QLatin1Char('0'))))
        << QString(QChar(c));
}

void AllowedListTest::aNameCannotPlantAnEntryOfItsOwn() {
  QFETCH(QString, separator);
  // Were the name split, its entry would read "decoy.exe | 00000000" and then
  // "evil.exe | <the decoy's CRC>", which allows every evil.exe of the decoy's content.
  const QString decoy = writeFile(
      m_dir, QStringLiteral("decoy.exe | 00000000") + separator + "evil.exe", kSetupContent);
  QVERIFY(!decoy.isEmpty());
  QTemporaryDir other;
  const QString evil = writeFile(other, QStringLiteral("evil.exe"), kSetupContent);
  const QString noBreakSpace = writeFile(m_dir, QStringLiteral("no\u00A0break.exe"), kSetupContent);
  QPlainTextEdit box;
  AllowedList list(&box);
  for (int round = 0; round < 2; ++round) {
    list.allowFile(decoy);
    list.allowFile(noBreakSpace);
  }
  QCOMPARE(box.document()->blockCount(), 2);
  QCOMPARE(list.lines().size(), 2);
  QVERIFY(list.isAllowed(decoy));
  QVERIFY(list.isAllowed(noBreakSpace));
  QVERIFY(!list.isAllowed(evil));
}

void AllowedListTest::listWithoutBoxIsEmpty() {
  AllowedList list(nullptr);
  QVERIFY(!list.isAllowed(QStringLiteral("Datei nicht ermittelt")));
  QVERIFY(!list.addEntry(QStringLiteral("x.exe | FFFFFFFF")));
  QVERIFY(list.lines().isEmpty());

  // The window may go first: the list then holds nothing instead of a dangling box.
  auto box = std::make_unique<QPlainTextEdit>();
  AllowedList over(box.get());
  QVERIFY(over.addEntry(QStringLiteral("x.exe | FFFFFFFF")));
  box.reset();
  QVERIFY(!over.matches(QStringLiteral("x.exe | FFFFFFFF")));
}

int main(int argc, char** argv) {
  // The tests run under the C locale and once more under a German one (see CMakeLists.txt);
  // a machine without that locale has nothing to test there.
  if (std::setlocale(LC_ALL, "") == nullptr) {
    std::printf(
        "SKIP: the locale \"%s\" is not installed here (scripts/install-deps makes "
        "de_DE.UTF-8)\n",
        qgetenv("LC_ALL").constData());
    return 77;
  }
  QApplication app(argc, argv);
  qInfo("Locale: %s", qPrintable(QLocale().name()));
  AllowedListTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "allowed_list_test.moc"
