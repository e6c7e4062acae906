// The disk scan driven through the real window, offscreen, over real folder trees.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <atomic>
#include <functional>
#include <memory>

#include "detect/native_path.h"
#include "detect/scan_ahead.h"
#include "shell/tform1.h"
#include "shell/web_addresses.h"
#include "sigmatch/sigmatch.h"
#include "support/private_mounts.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"
#include "support/temp_dir.h"
#include "support/warning_answerer.h"
#include "warning/tmeldung.h"

using orv::TForm1;

namespace {

bool noTray() {
  return false;
}

QByteArray sample() {
  QFile file(QString::fromLocal8Bit(qgetenv("ORV_SOURCE_DIR")) +
             QStringLiteral("/data/samples/orv-testdialer.exe"));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Writes a file under a name given as raw bytes (which need not be UTF-8).
void writeNative(const QByteArray& path, const QByteArray& bytes) {
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  QVERIFY(fd >= 0);
  QCOMPARE(::write(fd, bytes.constData(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

// Does something while each warning is shown; installed after the answerer, it runs before
// the warning is answered.
class WhileWarningShows : public QObject {
 public:
  WhileWarningShows(orv::TMeldung& dialog, std::function<void()> action)
      : m_action(std::move(action)) {
    dialog.installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) m_action();
    return false;
  }

 private:
  std::function<void()> m_action;
};

bool g_privateMounts = false;

// The signature look-up, counted.
std::atomic<int> g_lookUps{0};
void countedLookUp(ShortText* result, const char* path) {
  ++g_lookUps;
  ScanDialers(result, path);
}

// Records the text of a label each time it is painted.
class PaintedTexts : public QObject {
 public:
  explicit PaintedTexts(QLabel* label) : m_label(label) { label->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) texts << m_label->text();
    return false;
  }
  QStringList texts;

 private:
  QLabel* m_label;
};

// A look-up that fails as it would when memory runs out.
void failingLookUp(ShortText*, const char*) {
  throw std::bad_alloc();
}

// A look-up stuck in the kernel, as on a network mount that went away; it gives up by itself
// after a while, so that a scan waiting for it fails on its time instead of hanging.
std::atomic<bool> g_answerAgain{false};
void hangingLookUp(ShortText* result, const char* path) {
  QElapsedTimer stuck;
  stuck.start();
  while (!g_answerAgain && stuck.elapsed() < 10000) QThread::msleep(5);
  ScanDialers(result, path);
}

const QString kSignatureName = QStringLiteral("ORV-Testdialer (harmlos)");
const QString kHeuristicFinding = QStringLiteral(
    "Programm wählt oder erstellt DFÜ Verbindungen und "
    "enthält Hinweise auf verdächtige Telefonnummern");

}  // namespace

// The quit the window asks for would end every later event loop of this test process at
// once (the warning dialog's among them); a run of the main loop consumes it.
void forgetQuitRequest() {
  QCoreApplication::processEvents();  // the request, if it is still queued
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  QCoreApplication::exec();
}

class DiskScanTest : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TempBaseDir> m_base;
  std::unique_ptr<TForm1> m_form;
  std::unique_ptr<orv::TMeldung> m_meldung;
  std::unique_ptr<WarningAnswerer> m_answers;

  QString tree() const { return m_base->file(QStringLiteral("tree")); }

  void scan(const QString& folder) {
    m_form->verz->setCurrentIndex(m_form->folderModel()->index(folder));
    QCOMPARE(m_form->verzModel->filePath(m_form->verz->currentIndex()), folder);
    m_form->Button4Click(m_form->Button4);
  }
  QStringList memo() const {
    return m_form->Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }
  // The report's lines without their time, each after the letter of its colour: k black,
  // r red, g green, y dark yellow.
  QStringList coloredReport() const {
    QStringList lines;
    const QTextDocument* report = m_form->Logging->document();
    for (QTextBlock block = report->begin(); block.isValid(); block = block.next()) {
      if (block.text().isEmpty()) continue;
      const QColor colour = block.begin().fragment().charFormat().foreground().color();
      const char* letter = colour == QColor(0, 0, 0)       ? "k"
                           : colour == QColor(255, 0, 0)   ? "r"
                           : colour == QColor(0, 128, 0)   ? "g"
                           : colour == QColor(155, 155, 0) ? "y"
                                                           : "?";
      lines << QLatin1String(letter) + QLatin1Char('|') + block.text().section(QLatin1Char(' '), 1);
    }
    return lines;
  }
  void setOptions(bool reportOnly, bool heuristics) {
    m_form->ReportOnly->setChecked(reportOnly);
    m_form->Initialising = true;  // no warning about the heuristic option in these tests
    m_form->UseHeur->setChecked(heuristics);
    m_form->Initialising = false;
  }

 private slots:
  void init() {
    TForm1::setTrayAvailability(&noTray);
    m_dialogs = &ScriptedDialogs::installNew();
    m_base = std::make_unique<TempBaseDir>();
    m_base->copyFromData(QStringLiteral("orv.sig"));
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    m_base->writeInitialSettings();
    QDir().mkpath(tree());
    m_form = std::make_unique<TForm1>(QStringList{m_base->path()});
    m_meldung = std::make_unique<orv::TMeldung>();
    m_form->setWarningDialog(m_meldung.get());
    m_answers = std::make_unique<WarningAnswerer>(*m_meldung);
    QCOMPARE(m_form->SignatureCount, 1);
  }
  void cleanup() {
    m_answers.reset();
    m_form.reset();
    m_meldung.reset();
    m_base.reset();
  }

  void emptyFolderGivesStartEndAndSummary() {
    writeFile(tree() + QStringLiteral("/readme.txt"), "text");
    scan(tree());
    QCOMPARE(memo(),
             (QStringList{QStringLiteral("Scanne das Verzeichnis %1.").arg(tree()),
                          QStringLiteral("Scan des Verzeichnisses %1 abgeschlossen.").arg(tree()),
                          QStringLiteral("0 Dateien gescannt und 0 Dialer gefunden.")}));
    QCOMPARE(m_form->ScanStatus->text(), QStringLiteral("1 Dialersignaturen geladen ..."));
    QVERIFY(m_form->Button4->isEnabled());
    QVERIFY(!m_form->Button5->isEnabled());
    QVERIFY(m_form->verz->isEnabled());
  }

  void onlyExeNamesAreExaminedHiddenOnesIncluded() {
    for (const char* name :
         {"SETUP.EXE", "setup.exe", "Setup.Exe", ".exe", ".hidden/x.exe", "prog.exe/inner.EXE",
          "a/b/c/deep.exe", "setup.exe.bak", "setup.ex_", "exe", "notes.exe.txt"})
      writeFile(tree() + QLatin1Char('/') + QLatin1String(name), "harmless");
    scan(tree());
    QCOMPARE(m_form->diskScan().FilesScanned, 7);
    QCOMPARE(m_form->diskScan().DialersFound, 0);
  }

  void reportOnlyReportsEveryFindingWithoutAsking() {
    setOptions(true, true);
    const QString file = tree() + QStringLiteral("/dialer.exe");
    writeFile(file, sample());
    m_form->AllowFile(file);  // allowed files are reported too when only reporting
    scan(tree());
    QCOMPARE(m_answers->titles, QStringList());
    QCOMPARE(m_form->diskScan().DialersFound, 2);
    const QStringList lines = memo();
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[1], file + QStringLiteral(" - Infektion: ") + kSignatureName);
    QCOMPARE(lines[2], file + QStringLiteral(" - Verdächtig: ") + kHeuristicFinding);
    QCOMPARE(lines[4], QStringLiteral("1 Dateien gescannt und 2 Dialer gefunden."));
  }

  void allowedFilesAreSilentButCounted() {
    setOptions(false, true);
    const QString file = tree() + QStringLiteral("/dialer.exe");
    writeFile(file, sample());
    m_form->AllowFile(file);
    scan(tree());
    QCOMPARE(m_answers->titles, QStringList());
    QCOMPARE(memo().size(), 3);
    QCOMPARE(m_form->diskScan().DialersFound, 2);
  }

  void answersAreCarriedOut_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("fileRemains");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("ignore") << "Ignorieren"
                            << "Infizierte Datei ignoriert." << true << false;
    QTest::newRow("allow") << "Erlauben"
                           << "Infizierte Datei erlaubt." << true << true;
    QTest::newRow("delete") << "Loeschen"
                            << "Infizierte Datei erfolgreich gelöscht." << false << false;
  }
  void answersAreCarriedOut() {
    QFETCH(QString, button);
    QFETCH(QString, line);
    QFETCH(bool, fileRemains);
    QFETCH(bool, allowed);
    setOptions(false, false);
    const QString file = tree() + QStringLiteral("/dialer.exe");
    writeFile(file, sample());
    m_answers->answerWith({button});
    scan(tree());
    QCOMPARE(m_answers->titles, QStringList{QStringLiteral("0190 Dialer gefunden!")});
    QCOMPARE(m_answers->texts,
             QStringList{QStringLiteral("Es wurde der 0190 Dialer \"%1\" in der Datei \"%2\" "
                                        "gefunden. Wie wollen sie reagieren?")
                             .arg(kSignatureName, file)});
    QCOMPARE(m_answers->enabledButtons, QStringList{QStringLiteral("IEL")});
    const QStringList lines = memo();
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[1], file + QStringLiteral(" - Infektion: ") + kSignatureName);
    QCOMPARE(lines[2], line);
    QCOMPARE(QFile::exists(file), fileRemains);
    QCOMPARE(m_form->IsAllowed(file), allowed);
    QCOMPARE(m_form->Erlaubt->toPlainText().isEmpty(), !allowed);
  }

  void heuristicStepFollowsTheSignatureAnswer() {
    setOptions(false, true);
    const QString first = tree() + QStringLiteral("/a/dialer.exe");
    const QString second = tree() + QStringLiteral("/b/dialer2.exe");
    writeFile(first, sample());
    writeFile(second, sample() + "x");  // same fingerprint chunks? no: whole file is hashed
    // Allowed in the signature step: not asked again by content. Ignored: asked again.
    m_answers->answerWith(
        {QStringLiteral("Erlauben"), QStringLiteral("Ignorieren"), QStringLiteral("Ignorieren")});
    scan(first.left(first.lastIndexOf(QLatin1Char('/'))));
    QCOMPARE(m_answers->titles, QStringList{QStringLiteral("0190 Dialer gefunden!")});
    QCOMPARE(m_form->diskScan().DialersFound, 2);
    scan(second.left(second.lastIndexOf(QLatin1Char('/'))));
    QCOMPARE(m_answers->titles.size(), 2);
    QCOMPARE(m_answers->titles[1], QStringLiteral("Verdächtige Datei gefunden"));
    QCOMPARE(m_answers->texts[1],
             QStringLiteral("Die Datei \"%1\" ist verdächtig. Das %2. Wie wollen sie reagieren?")
                 .arg(second, kHeuristicFinding));
    QVERIFY(memo().contains(QStringLiteral("Verdächtige Datei ignoriert.")));
  }

  void aDeletionLeftForTheNextStartIsToldTwice() {
    // A busy file (a mount point) cannot go now but may later; the record goes to the
    // account's folder, which only a scratch mount keeps out of the machine's own files.
    if (!g_privateMounts) QSKIP("needs a mount namespace of its own (root)");
    setOptions(false, false);
    const QString file = tree() + QStringLiteral("/busy.exe");
    writeFile(file, sample());
    const std::string native = QFile::encodeName(file).toStdString();
    if (!orvtest::hideAccountHome({native, QFile::encodeName(QDir::tempPath()).toStdString()}))
      QSKIP("the account's home folder cannot be hidden here");
    const auto showHome = qScopeGuard(orvtest::showAccountHome);
    QVERIFY(orvtest::makeBusy(native));
    const auto release = qScopeGuard([&] { orvtest::release(native); });
    m_answers->answerWith({QStringLiteral("Loeschen")});
    scan(tree());
    QVERIFY(QFile::exists(file));
    QVERIFY(
        memo().contains(QStringLiteral("Infizierte Datei konnte nicht gelöscht werden. Die Datei "
                                       "wird beim nächsten Start gelöscht.")));
    QCOMPARE(m_dialogs->messages,
             QStringList{QStringLiteral("Die Datei konnte nicht gelöscht werden. Beim nächsten "
                                        "Start von ORV wird die Datei entfernt.")});
  }

  void aFileThatCannotBeRemovedNorRecordedPromisesNothing() {
    setOptions(false, false);
    const QString file = tree() + QStringLiteral("/swapped.exe");
    writeFile(file, sample());
    // While the warning waits, the file's name becomes a folder: removal cannot be arranged.
    WhileWarningShows swap(*m_meldung, [&] {
      if (QFile::remove(file)) QDir().mkpath(file);
    });
    m_answers->answerWith({QStringLiteral("Loeschen")});
    scan(tree());
    QVERIFY(QFileInfo(file).isDir());
    QVERIFY(memo().contains(QStringLiteral("Infizierte Datei konnte nicht gelöscht werden.")));
    QCOMPARE(m_dialogs->messages,
             QStringList{QStringLiteral("Die Datei konnte nicht gelöscht werden.")});
  }

  void aFileThatVanishesMidScanCountsAndYieldsNothing() {
    setOptions(false, false);
    const QStringList files{tree() + QStringLiteral("/one.exe"),
                            tree() + QStringLiteral("/two.exe")};
    for (const QString& file : files) writeFile(file, sample());
    // The folder is listed before its files are examined: the other one goes while the first
    // one's warning waits.
    WhileWarningShows vanish(*m_meldung, [&] {
      const QString asked = m_meldung->findChild<QLabel*>(QStringLiteral("Text"))->text();
      for (const QString& file : files)
        if (!asked.contains(file)) QFile::remove(file);
    });
    m_answers->answerWith({QStringLiteral("Ignorieren")});
    scan(tree());
    QCOMPARE(m_answers->titles.size(), 1);
    QCOMPARE(m_form->diskScan().FilesScanned, 2);
    QCOMPARE(m_form->diskScan().DialersFound, 1);
    QCOMPARE(memo().last(), QStringLiteral("2 Dateien gescannt und 1 Dialer gefunden."));
  }

  // Whatever may have changed files since a look-up was made ahead makes it worthless: the
  // end of a box, of a warning (the process monitor's, say), a monitor tick.
  void aFileChangedWhileTheUserIsAskedElsewhereIsLookedUpAgain_data() {
    QTest::addColumn<int>("moment");
    QTest::newRow("a box") << 0;
    QTest::newRow("a warning") << 1;
    QTest::newRow("a monitor tick") << 2;
  }
  void aFileChangedWhileTheUserIsAskedElsewhereIsLookedUpAgain() {
    QFETCH(int, moment);
    setOptions(true, false);  // no warning of the scan's own
    const QStringList files{tree() + QStringLiteral("/one.exe"),
                            tree() + QStringLiteral("/two.exe")};
    for (const QString& file : files) writeFile(file, sample());
    g_lookUps = 0;
    m_form->diskScan().setSignatureLookUp(&countedLookUp);
    // During the first file's message handling, once both files were looked up ahead, the
    // other file goes while the user is asked something.
    const QString scanning = QStringLiteral("Scanne ") + tree();
    QTimer firstFile;
    connect(&firstFile, &QTimer::timeout, [&] {
      if (!m_form->ScanStatus->text().startsWith(scanning)) return;
      firstFile.stop();
      QVERIFY(QTest::qWaitFor([] { return g_lookUps >= 2; }, 10000));
      const QString inHand = m_form->ScanStatus->text();
      for (const QString& file : files)
        if (!inHand.contains(file)) QFile::remove(file);
      if (moment == 0) orv::Dialogs::current().message(m_form.get(), QStringLiteral("Frage"));
      if (moment == 1)
        m_form->ShowWarning(QStringLiteral("Verdächtiger aktiver Prozess"), QStringLiteral("?"),
                            QString(), false, true, true, true, true, 1, 1);
      if (moment == 2) m_form->SpeicherTimerTimer(m_form->SpeicherTimer);
    });
    firstFile.start(0);
    scan(tree());
    QCOMPARE(m_form->diskScan().FilesScanned, 2);
    QCOMPARE(m_form->diskScan().DialersFound, 1);
    QCOMPARE(g_lookUps.load(), 4);  // both again: the one in hand had not been used yet
  }

  void optionsAreReadAgainForEveryFile() {
    setOptions(false, false);
    for (const char* name : {"/one.exe", "/two.exe"})
      writeFile(tree() + QLatin1String(name), sample());
    // Switched to reporting only while the first warning waits: the second file is reported,
    // not asked about.
    WhileWarningShows switchOver(*m_meldung, [&] { m_form->ReportOnly->setChecked(true); });
    m_answers->answerWith({QStringLiteral("Ignorieren")});
    scan(tree());
    QCOMPARE(m_answers->titles.size(), 1);
    QCOMPARE(m_form->diskScan().DialersFound, 2);
    QCOMPARE(memo().filter(QStringLiteral(" - Infektion: ")).size(), 2);
  }

  void timersKeepRunningDuringAScan() {
    setOptions(false, false);
    writeFile(tree() + QStringLiteral("/one.exe"), sample());
    QTimer monitorLike;
    monitorLike.setInterval(1);
    QSignalSpy ticks(&monitorLike, &QTimer::timeout);
    monitorLike.start();
    // The warning stands inside the scan; the timer goes on ticking before it is answered.
    bool ticked = false;
    WhileWarningShows wait(*m_meldung, [&] {
      const int before = ticks.count();
      ticked = QTest::qWaitFor([&] { return ticks.count() > before; }, 10000);
      m_meldung->findChild<QAbstractButton*>(QStringLiteral("Ignorieren"))->click();
    });
    scan(tree());
    QVERIFY(ticked);
  }

  // Every line of a scan in its colour, and each warning with its lamp and default answer.
  // Nobody at the computer, the lock deletes a signature finding and ignores one by content
  // alone; a deleted file is gone for the content check.
  void aScanReportsAndAsks_data() {
    QTest::addColumn<bool>("reportOnly");
    QTest::addColumn<bool>("contentOnly");
    QTest::addColumn<QStringList>("answers");  // empty: left to the lock
    QTest::addColumn<QStringList>("lines");    // colour letter and text of the finding lines
    QTest::addColumn<QList<int>>("levelsAndDefaults");
    QTest::addColumn<int>("found");
    const QString infection = QStringLiteral("r|%1 - Infektion: ") + kSignatureName;
    const QString suspicious = QStringLiteral("y|%1 - Verdächtig: ") + kHeuristicFinding;
    const QString deleted = QStringLiteral("g|Infizierte Datei erfolgreich gelöscht.");
    QTest::newRow("only reported") << true << false << QStringList()
                                   << QStringList{infection, suspicious} << QList<int>() << 2;
    QTest::newRow("ignored") << false << false << QStringList{"Ignorieren", "Ignorieren"}
                             << QStringList{infection, "r|Infizierte Datei ignoriert.", suspicious,
                                            "r|Verdächtige Datei ignoriert."}
                             << QList<int>{1, 3, 2, 1} << 2;
    QTest::newRow("allowed") << false << false << QStringList{"Erlauben"}
                             << QStringList{infection, "r|Infizierte Datei erlaubt."}
                             << QList<int>{1, 3} << 2;
    QTest::newRow("lock, signature") << false << false << QStringList{QString()}
                                     << QStringList{infection, deleted} << QList<int>{1, 3} << 1;
    QTest::newRow("lock, content only")
        << false << true << QStringList{QString()}
        << QStringList{suspicious, "r|Verdächtige Datei ignoriert."} << QList<int>{2, 1} << 1;
  }
  void aScanReportsAndAsks() {
    QFETCH(bool, reportOnly);
    QFETCH(bool, contentOnly);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, lines);
    QFETCH(QList<int>, levelsAndDefaults);
    QFETCH(int, found);
    setOptions(reportOnly, true);
    m_form->Sperre->setChecked(true);
    m_meldung->setLockPeriod(answers.value(0).isEmpty() ? 50 : 60000);
    const QString file = tree() + QStringLiteral("/dialer.exe");
    writeFile(file, contentOnly ? sample() + "x" : sample());
    m_answers->answerWith(answers);
    m_form->Button3Click(m_form->Button3);
    scan(tree());

    QStringList expected{QStringLiteral("k|Scanne das Verzeichnis %1.").arg(tree())};
    for (const QString& line : lines) expected << line.arg(file);
    expected << QStringLiteral("k|Scan des Verzeichnisses %1 abgeschlossen.").arg(tree())
             << QStringLiteral("k|1 Dateien gescannt und %1 Dialer gefunden.").arg(found);
    QCOMPARE(coloredReport(), expected);
    QList<int> seen;
    for (int i = 0; i < m_answers->levels.size(); ++i)
      seen << m_answers->levels[i] << m_answers->defaults[i];
    QCOMPARE(seen, levelsAndDefaults);
    QCOMPARE(m_answers->helpAddresses, QStringList(seen.size() / 2, orv::helpPageAddress()));
    QCOMPARE(m_answers->closedUnanswered, 0);
  }

  // The second scan in a window counts and shows only its own files.
  void twoScansInARow() {
    setOptions(true, false);
    writeFile(tree() + QStringLiteral("/a/dialer.exe"), sample());
    for (const char* name : {"/b/one.exe", "/b/two.exe", "/b/three.exe"})
      writeFile(tree() + QLatin1String(name), "harmless");
    scan(tree() + QStringLiteral("/a"));
    scan(tree() + QStringLiteral("/b"));
    QCOMPARE(memo().size(), 3);
    QCOMPARE(memo().last(), QStringLiteral("3 Dateien gescannt und 0 Dialer gefunden."));
  }

  void cancelStopsAfterTheFileInHand() {
    setOptions(true, false);
    for (int i = 0; i < 20; ++i)
      writeFile(tree() + QStringLiteral("/d%1/f.exe").arg(i), "harmless");
    // The first file's message handling sees the click on "Scan abbrechen".
    QTimer::singleShot(0, m_form->Button5,
                       [this] { QTest::mouseClick(m_form->Button5, Qt::LeftButton); });
    scan(tree());
    QCOMPARE(m_form->diskScan().FilesScanned, 1);
    QCOMPARE(memo().last(), QStringLiteral("1 Dateien gescannt und 0 Dialer gefunden."));
    QVERIFY(m_form->Button4->isEnabled());
  }

  // During a long scan the line below the tree shows the files as they are examined.
  void theStatusLineShowsTheFileInHand() {
    setOptions(true, false);
    for (int i = 0; i < 400; ++i)
      writeFile(tree() + QStringLiteral("/d%1/f%2.exe").arg(i % 10).arg(i), "harmless");
    m_form->PageControl1->setCurrentIndex(2);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    PaintedTexts painted(m_form->ScanStatus);
    // Every handling of the window's messages takes a while, as on a busy desktop.
    QTimer busy;
    connect(&busy, &QTimer::timeout, [] { QThread::usleep(500); });
    busy.start(0);
    scan(tree());
    busy.stop();
    const QString scanning = QStringLiteral("Scanne ") + tree() + QLatin1Char('/');
    QVERIFY2(painted.texts.filter(scanning).size() >= 2, qPrintable(painted.texts.join('|')));
  }

  void aFailingWalkEndsTheScanWithTheErrorBox() {
    setOptions(true, false);
    writeFile(tree() + QStringLiteral("/a.exe"), sample());
    m_form->diskScan().setSignatureLookUp(&failingLookUp);
    scan(tree());
    const QString failure =
        QStringLiteral(
            "Der Scan des Verzeichnisses %1 wurde wegen eines Fehlers abgebrochen: Zu "
            "wenig Arbeitsspeicher.")
            .arg(tree());
    QCOMPARE(m_dialogs->errors, QStringList{failure});
    QCOMPARE(
        memo().mid(1, 2),
        (QStringList{failure,
                     QStringLiteral("Scan des Verzeichnisses %1 abgeschlossen.").arg(tree())}));
    QCOMPARE(m_form->diskScan().FilesScanned, 0);
    QVERIFY(m_form->Button4->isEnabled());
  }

  void cancelNeverWaitsForAWalkThatHangs() {
    setOptions(true, false);
    writeFile(tree() + QStringLiteral("/stuck.exe"), sample());
    g_answerAgain = false;
    m_form->diskScan().setSignatureLookUp(&hangingLookUp);
    QTimer::singleShot(50, m_form->Button5,
                       [this] { QTest::mouseClick(m_form->Button5, Qt::LeftButton); });
    QElapsedTimer took;
    took.start();
    scan(tree());
    QVERIFY2(took.elapsed() < 5000, qPrintable(QString::number(took.elapsed())));
    QVERIFY(m_form->Button4->isEnabled());
    QCOMPARE(memo().last(), QStringLiteral("0 Dateien gescannt und 0 Dialer gefunden."));
    // The walk ends by itself once its system call returns.
    QCOMPARE(orv::ScanAhead::abandonedWalks(), 1);
    g_answerAgain = true;
    QTRY_COMPARE(orv::ScanAhead::abandonedWalks(), 0);
  }

  void closingTheWindowStopsARunningScan() {
    setOptions(true, false);
    for (int i = 0; i < 20; ++i)
      writeFile(tree() + QStringLiteral("/d%1/f.exe").arg(i), "harmless");
    const auto consumeQuit = qScopeGuard(forgetQuitRequest);
    QTimer::singleShot(0, m_form.get(), [this] { m_form->close(); });
    scan(tree());
    // The program ends: the scan stops after the file in hand instead of going on unseen.
    QCOMPARE(m_form->diskScan().FilesScanned, 1);
    QCOMPARE(memo().last(), QStringLiteral("1 Dateien gescannt und 0 Dialer gefunden."));
  }

  void escapeCancelsWhileTheScanPageShows() {
    setOptions(true, false);
    for (int i = 0; i < 5; ++i) writeFile(tree() + QStringLiteral("/f%1.exe").arg(i), "harmless");
    m_form->PageControl1->setCurrentIndex(2);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QTimer::singleShot(0, m_form.get(), [this] { QTest::keyClick(m_form->Memo1, Qt::Key_Escape); });
    scan(tree());
    QCOMPARE(m_form->diskScan().FilesScanned, 1);
  }

  void linksLoopsSpecialFilesAndOddNamesNeverHang() {
    setOptions(true, false);
    const QString dir = tree() + QStringLiteral("/sub");
    writeFile(dir + QStringLiteral("/real.exe"), sample());
    QVERIFY(QFile::link(tree(), dir + QStringLiteral("/loop")));        // back to the top
    QVERIFY(QFile::link(dir, tree() + QStringLiteral("/folder.exe")));  // a folder link named .exe
    QVERIFY(QFile::link(dir + QStringLiteral("/real.exe"), tree() + QStringLiteral("/link.exe")));
    QVERIFY(QFile::link(tree() + QStringLiteral("/gone"), tree() + QStringLiteral("/broken.exe")));
    QCOMPARE(::mkfifo(QFile::encodeName(tree() + QStringLiteral("/pipe.exe")).constData(), 0600),
             0);
    // A name that is not UTF-8: scanned, reported, and its bytes kept for the answers.
    const QByteArray oddName = QFile::encodeName(tree()) + "/b\xe4se.exe";
    writeNative(oddName, sample());

    scan(tree());
    // real.exe, link.exe, broken.exe, pipe.exe and the odd name; the loop is not entered.
    QCOMPARE(m_form->diskScan().FilesScanned, 5);
    QCOMPARE(m_form->diskScan().DialersFound, 3);
    QVERIFY(
        memo().contains(tree() + QStringLiteral("/b\\xE4se.exe - Infektion: ") + kSignatureName));
  }

  // Each character that would break a line is shown escaped (see the display rule's own
  // tests); here the scan's lines and its question show names by that rule.
  void aNameCannotForgeReportLines() {
    setOptions(false, false);
    const QString forged = QStringLiteral("12:00:00 Infizierte Datei erfolgreich gelöscht.");
    writeFile(tree() + QStringLiteral("/x\n") + forged + QChar(0x2029) + forged + ".exe", sample());
    m_answers->answerWith({QStringLiteral("Ignorieren")});
    const auto lineCount = [this] { return m_form->Logging->toPlainText().count(u'\n'); };
    const auto before = lineCount();
    scan(tree());
    // Start, finding, answer, end and summary: five lines, none of them the name's.
    QCOMPARE(lineCount() - before, 5);
    QCOMPARE(memo().size(), 5);
    QCOMPARE(m_answers->texts.size(), 1);
    QVERIFY(!m_answers->texts[0].contains(QLatin1Char('\n')) &&
            !m_answers->texts[0].contains(QChar(0x2029)));
  }

  void deletingAFileWithANonUtf8Name() {
    setOptions(false, false);
    const QByteArray oddName = QFile::encodeName(tree()) + "/\xff\xfe.exe";
    writeNative(oddName, sample());
    m_answers->answerWith({QStringLiteral("Loeschen")});
    scan(tree());
    QCOMPARE(::access(oddName.constData(), F_OK), -1);
    QCOMPARE(QDir(tree()).entryList(QDir::Files), QStringList());
    QVERIFY(memo().contains(QStringLiteral("Infizierte Datei erfolgreich gelöscht.")));
  }

  void allowingAFileWithANonUtf8NameUsesItsContent() {
    setOptions(false, false);
    const QByteArray oddName = QFile::encodeName(tree()) + "/b\xe4se.exe";
    writeNative(oddName, sample());
    m_answers->answerWith({QStringLiteral("Erlauben")});
    scan(tree());
    // The entry carries the file's real CRC, not the one of an unreadable file.
    const QString entry = m_form->Erlaubt->toPlainText();
    QVERIFY2(!entry.endsWith(QStringLiteral("FFFFFFFF")), qPrintable(entry));
    QVERIFY(m_form->IsAllowed(orv::pathFromNative(oddName)));
    scan(tree());  // allowed now: no second question
    QCOMPARE(m_answers->titles.size(), 1);
  }

  void foldersThatCannotBeListedArePassedOver() {
    setOptions(true, false);
    m_form->ScanDirectory(tree() + QStringLiteral("/does-not-exist"));
    QCOMPARE(m_form->diskScan().FilesScanned, 0);
    if (::geteuid() == 0) QSKIP("root lists every folder; the missing folder was checked");
    const QString locked = tree() + QStringLiteral("/locked");
    writeFile(locked + QStringLiteral("/x.exe"), "harmless");
    writeFile(tree() + QStringLiteral("/y.exe"), "harmless");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    scan(tree());
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(m_form->diskScan().FilesScanned, 1);
  }

  void withoutFolderNothingHappens() {
    m_form->folderModel();  // the tree as the user sees it, then no folder chosen in it
    m_form->verz->setCurrentIndex(QModelIndex());
    const QString before = m_form->Logging->toPlainText();
    m_form->Button4Click(m_form->Button4);
    QCOMPARE(m_form->Logging->toPlainText(), before);
    QVERIFY(m_form->Button4->isEnabled());
  }

  void switchingHeuristicsOnWarnsOnlyOutsideStartup() {
    m_form->Initialising = true;  // as while the stored options are put into the controls
    m_form->UseHeur->setChecked(true);
    m_form->UseHeur->setChecked(false);
    m_form->Initialising = false;
    QVERIFY(m_dialogs->messages.isEmpty());
    m_form->UseHeur->setChecked(true);
    m_form->UseHeur->setChecked(false);
    QCOMPARE(m_dialogs->messages,
             QStringList{QStringLiteral("Das Aktivieren dieser Funktion bremst den Scanvorgang und "
                                        "ruft GARANTIERT Fehlalarme hervor! Von daher sollten Sie "
                                        "diese Funktion nur mit Vorsicht benutzen!!")});
  }
};

int main(int argc, char** argv) {
  // While there is one thread: the tests that mount do so in a namespace of their own.
  g_privateMounts = orvtest::enterPrivateMountNamespace();
  QApplication app(argc, argv);
  DiskScanTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "disk_scan_test.moc"
