// The main window driven offscreen: start-up, the report page, and the window's controls.
#include <sys/stat.h>

#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>

#include "dialup/ras_library.h"
#include "shell/report_log.h"
#include "shell/rtf/rtf_reader.h"
#include "shell/signature_load.h"
#include "shell/tform1.h"
#include "shell/unix_signals.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"

using orv::TForm1;

namespace {

bool noTray() {
  return false;
}
bool withTray() {
  return true;
}

QStringList reportLines(const TForm1& form) {
  return form.Logging->toPlainText().split(QLatin1Char('\n'));
}

// "<time> <text>": the time is the locale's long time, here (C locale) hh:mm:ss.
const QRegularExpression kTimePrefix(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d "));

QString withoutTime(const QString& line) {
  QString copy = line;
  return copy.remove(kTimePrefix);
}

QColor colourOfLine(const TForm1& form, int line) {
  const QTextBlock block = form.Logging->document()->findBlockByNumber(line);
  return block.begin().fragment().charFormat().foreground().color();
}

}  // namespace

class TForm1Test : public QObject {
  Q_OBJECT

 private:
  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TempBaseDir> m_base;

  std::unique_ptr<TForm1> start(const QString& baseDir) {
    return std::make_unique<TForm1>(QStringList{baseDir});
  }
  void writeData(int signatureRecords) {
    m_base->write(QStringLiteral("orv.sig"), QByteArray(84 * signatureRecords, '\0'));
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    m_base->writeInitialSettings();
  }
  std::unique_ptr<TForm1> startWithData(int signatureRecords) {
    writeData(signatureRecords);
    return start(m_base->path());
  }

 private slots:
  void init() {
    TForm1::setTrayAvailability(&noTray);
    m_dialogs = &ScriptedDialogs::installNew();
    m_base = std::make_unique<TempBaseDir>();
  }
  void cleanup() { orv::RasLibrary::resetShared(orv::RasLibrary::serviceLibraryName()); }

  void startupWritesItsLinesInOrder() {
    auto form = startWithData(3);
    const QStringList lines = reportLines(*form);
    QCOMPARE(lines.size(), 4);
    for (int i = 0; i < 3; ++i)
      QVERIFY2(kTimePrefix.match(lines[i]).hasMatch(), qPrintable(lines[i]));
    QVERIFY(withoutTime(lines[0]).startsWith(QStringLiteral("ORV Report erstellt am ")));
    QVERIFY(lines[0].endsWith(QLatin1Char('.')));
    // The second line's text begins with a blank: two blanks after the time.
    QCOMPARE(lines[1].mid(8),
             QStringLiteral("  ORV gestartet und DFÜ Netzwerküberwachung initialisiert."));
    QCOMPARE(withoutTime(lines[2]),
             QStringLiteral("Sie verwenden ORV Version 3.0 mit 3 geladenen Dialersignaturen."));
    QCOMPARE(lines[3], QString());
    for (int i = 0; i < 3; ++i) QCOMPARE(colourOfLine(*form, i), QColor(Qt::black));
    QCOMPARE(form->ScanStatus->text(), QStringLiteral("3 Dialersignaturen geladen ..."));
    QCOMPARE(form->Version->text(),
             QStringLiteral("Sie verwenden ORV Version 3.0 mit 3 geladenen Dialersignaturen."));
    QCOMPARE(form->SignatureCount, 3);
    QVERIFY(!form->Initialising);
    QVERIFY(!form->startupAborted());
    QVERIFY(m_dialogs->errors.isEmpty());
  }

  // The signatures load beside the window's construction: the count the start-up reports
  // and the table a first scan searches are the whole file's, up to its last record.
  void startupCountsAndFindsEverySignatureOfALargeFile() {
    const QByteArray decoy =
        QByteArray(1, 5) + QByteArray(50, 'x') + QByteArray(1, 32) + QByteArray(32, 'y');
    QFile shipped(QString::fromLocal8Bit(qgetenv("ORV_SOURCE_DIR")) +
                  QStringLiteral("/data/orv.sig"));
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    m_base->write(QStringLiteral("orv.sig"), decoy.repeated(50000) + shipped.readAll());
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    m_base->writeInitialSettings();
    auto form = start(m_base->path());
    QCOMPARE(withoutTime(reportLines(*form)[2]),
             QStringLiteral("Sie verwenden ORV Version 3.0 mit 50001 geladenen Dialersignaturen."));
    QCOMPARE(form->ScanStatus->text(), QStringLiteral("50001 Dialersignaturen geladen ..."));
    const QString sample = QString::fromLocal8Bit(qgetenv("ORV_SOURCE_DIR")) +
                           QStringLiteral("/data/samples/orv-testdialer.exe");
    form->CheckFile(sample);
    QVERIFY2(form->Memo1->toPlainText().endsWith(
                 QStringLiteral(" - Infektion: ORV-Testdialer (harmlos)")),
             qPrintable(form->Memo1->toPlainText()));
  }

  // main begins the load from the raw arguments, before the window knows its folder: the
  // window reports its own file's count, whichever file the load begun ahead reads.
  void startupCountsItsOwnFileWhateverWasLoadedAhead_data() {
    QTest::addColumn<bool>("sameFolder");
    QTest::newRow("its own folder") << true;
    QTest::newRow("another folder") << false;
  }
  void startupCountsItsOwnFileWhateverWasLoadedAhead() {
    QFETCH(bool, sameFolder);
    writeData(3);
    TempBaseDir other;
    other.write(QStringLiteral("orv.sig"), QByteArray(84 * 7, '\0'));
    const QByteArray folder = QFile::encodeName(sameFolder ? m_base->path() : other.path());
    const char* argv[] = {"orv", folder.constData()};
    orv::SignatureLoad::startAhead(orv::signatureFileAhead(2, argv));
    auto form = start(m_base->path());
    QCOMPARE(form->SignatureCount, 3);
  }

  // The help text is laid out when its page is first shown, from the file read at start.
  void helpPageShownForTheFirstTimeShowsTheHelp() {
    auto form = startWithData(0);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->PageControl1->setCurrentWidget(form->Hilfe->parentWidget());
    QVERIFY(form->Hilfe->toPlainText().contains(QStringLiteral("Warnmeldung")));
    QCOMPARE(form->Hilfe->textCursor().position(), 0);
  }

  void missingSignatureFileCountsZero() {
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    auto form = start(m_base->path());
    QCOMPARE(form->ScanStatus->text(), QStringLiteral("0 Dialersignaturen geladen ..."));
    QCOMPARE(form->Version->text(),
             QStringLiteral("Sie verwenden ORV Version 3.0 mit 0 geladenen Dialersignaturen."));
  }

  void baseDirIsGluedWithoutSeparator() {
    // "…/ORV" without a trailing "/" makes the files "…/ORVorv.sig" and "…/ORVhilfe.rtf".
    m_base->write(QStringLiteral("ORVorv.sig"), QByteArray(84 * 2, '\0'));
    QFile::copy(
        QString::fromLocal8Bit(qgetenv("ORV_SOURCE_DIR")) + QStringLiteral("/data/hilfe.rtf"),
        m_base->file(QStringLiteral("ORVhilfe.rtf")));
    m_base->writeInitialSettings(QStringLiteral("ORV"));
    auto form = start(m_base->file(QStringLiteral("ORV")));
    QCOMPARE(form->SignatureCount, 2);
    QVERIFY(m_dialogs->errors.isEmpty());
  }

  // The argument's own bytes name the folder, also where they are not UTF-8.
  void baseDirKeepsTheArgumentsBytes() {
    const QByteArray folder = QFile::encodeName(m_base->path()) + "b\xe4se/";
    QCOMPARE(::mkdir(folder.constData(), 0700), 0);
    std::filesystem::copy_file(qgetenv("ORV_SOURCE_DIR").toStdString() + "/data/hilfe.rtf",
                               folder.toStdString() + "hilfe.rtf");
    std::ofstream(folder.toStdString() + "orv.sig") << std::string(84 * 2, '\0');
    std::ofstream(folder.toStdString() + "orv.conf") << std::string(24, '\0');
    std::ofstream(folder.toStdString() + "erlaubt.conf");
    std::ofstream(folder.toStdString() + "connections.conf");
    const char* argv[] = {"orv", folder.constData()};
    TForm1 form(orv::programArguments(2, argv));
    QCOMPARE(form.SignatureCount, 2);
    QCOMPARE(m_dialogs->errors, QStringList());
  }

  void withoutArgumentFilesComeFromWorkingDirectory() {
    QCOMPARE(orv::baseDirFromArguments({}), QString());
    const QString previous = QDir::currentPath();
    m_base->write(QStringLiteral("orv.sig"), QByteArray(84, '\0'));
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    QDir::setCurrent(m_base->path());
    TForm1 form({});
    QDir::setCurrent(previous);
    QCOMPARE(form.SignatureCount, 1);
  }

  void missingHelpTextShowsErrorAndStartupGoesOn() {
    m_base->write(QStringLiteral("orv.sig"), QByteArray(84, '\0'));
    auto form = start(m_base->path());
    QCOMPARE(m_dialogs->errors, QStringList{QStringLiteral("Datei %1 kann nicht geöffnet werden.")
                                                .arg(m_base->file(QStringLiteral("hilfe.rtf")))});
    QVERIFY(!form->Initialising);
    QVERIFY(form->ExaminedProcesses.empty());
    QCOMPARE(reportLines(*form).size(), 4);  // the steps before the help text all ran
    form->AddReportLine(QStringLiteral("danach"), orv::kBlack, false);
    QCOMPARE(withoutTime(reportLines(*form).last()), QStringLiteral("danach"));
  }

  void missingDialupLibraryEndsStartup_data() {
    QTest::addColumn<QByteArray>("library");
    QTest::newRow("no such library") << QByteArray("/nonexistent/librasapi32.so");
    // A library that loads but has no RasDialA is no dial-up service either.
    QTest::newRow("without RasDialA") << qgetenv("ORV_BINARY_DIR") + "/lib/libsigmatch.so";
  }
  void missingDialupLibraryEndsStartup() {
    QFETCH(QByteArray, library);
    orv::RasLibrary::resetShared(library);
    TForm1::setTrayAvailability(&withTray);  // the icon is there before the test, and goes
    auto form = startWithData(1);
    QVERIFY(form->startupAborted());
    QCOMPARE(m_dialogs->messages,
             QStringList{QStringLiteral("Auf Ihrem Rechner ist kein aktives DFÜ Netzwerk "
                                        "gefunden worden. ORV wird beendet.")});
    QCOMPARE(reportLines(*form).size(), 1);  // only the date line: nothing else ran
    QVERIFY(!form->Initialising);
    QVERIFY(form->TrayIcon == nullptr);
    // Tried once: a second question does not load again and answers the same.
    QVERIFY(orv::RasLibrary::shared().tried());
    QVERIFY(!form->Conns.IsAvailable());
    QCOMPARE(form->Conns.ResultCode, 1157u);
    QCOMPARE(form->Conns.ResultText, QByteArray("RASAPI32.DLL Not Available"));
  }

  void initialStateOfTheWindow() {
    auto form = startWithData(0);
    QCOMPARE(form->windowTitle(), QStringLiteral("ORV - Orvel 3.0"));
    QCOMPARE(form->size(), QSize(588, 399));
    const QPoint desktopCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((form->geometry().center() - desktopCentre).manhattanLength() <= 2);
    QCOMPARE(form->minimumSize(), form->maximumSize());
    const QStringList pages{QStringLiteral("Reportdatei"), QStringLiteral("DFÜ Netzwerk"),
                            QStringLiteral("Suche nach Dialern"), QStringLiteral("Einstellungen"),
                            QStringLiteral("Hilfe und Updates")};
    QCOMPARE(form->PageControl1->count(), pages.size());
    for (int i = 0; i < pages.size(); ++i) QCOMPARE(form->PageControl1->tabText(i), pages[i]);
    QCOMPARE(form->PageControl1->currentIndex(), 0);
    QCOMPARE(form->PageControl1->widget(1)->objectName(), QStringLiteral("TabSheet1"));

    const struct {
      const char* name;
      const char* text;
      bool checked;
    } boxes[] = {
        {"AutoStart", "ORV automatisch mit Windows starten", false},
        {"Minimiert", "ORV minimiert starten", false},
        {"Sperre", "Sicherheitssperre aktivieren", false},
        {"Warnsignal", "Akkustisches Warnsignal ausgeben", false},
        {"ScanRAS", "DFÜ Netzwerk permanent überwachen", false},
        {"CheckMemory", "Den Speicher auf Dialer überwachen", false},
        {"UseHeur", "Heuristik auch beim Laufwerksscan aktivieren", false},
        {"ReportOnly", "Gefundene Dialer nur melden", true},
    };
    for (const auto& box : boxes) {
      auto* widget = form->findChild<QCheckBox*>(QLatin1String(box.name));
      QVERIFY2(widget, box.name);
      QCOMPARE(widget->text(), QString::fromUtf8(box.text));
      QCOMPARE(widget->isChecked(), box.checked);
    }
    const struct {
      const char* name;
      const char* text;
      bool enabled;
    } buttons[] = {
        {"Button1", "Report speichern", true}, {"Button2", "Report drucken", true},
        {"Button3", "Report leeren", true},    {"Button4", "Scan starten", true},
        {"Button5", "Scan abbrechen", false},  {"Button6", "Auf Updates prüfen", false},
        {"Button7", "Aktualisieren", true},
    };
    for (const auto& button : buttons) {
      auto* widget = form->findChild<QPushButton*>(QLatin1String(button.name));
      QVERIFY2(widget, button.name);
      QCOMPARE(widget->text(), QString::fromUtf8(button.text));
      QCOMPARE(widget->isEnabled(), button.enabled);
    }
    for (const char* name : {"IntervallRAS", "IntervallMEM"}) {
      auto* box = form->findChild<QSpinBox*>(QLatin1String(name));
      QVERIFY2(box, name);
      QCOMPARE(box->value(), 0);
      QCOMPARE(box->minimum(), std::numeric_limits<int>::min());
      QCOMPARE(box->maximum(), std::numeric_limits<int>::max());
    }
    for (const char* name : {"DFUTimer", "SpeicherTimer"}) {
      auto* timer = form->findChild<QTimer*>(QLatin1String(name));
      QVERIFY2(timer, name);
      QVERIFY(!timer->isActive());
      QCOMPARE(timer->interval(), 1000);
    }
    for (const char* name : {"Logging", "Hilfe", "Memo1", "Erlaubt", "Liste", "verz", "Titel",
                             "Leiste", "Logo", "Panel1", "BalkenOben", "GroupBox1", "Label6"})
      QVERIFY2(form->findChild<QWidget*>(QLatin1String(name)), name);
    QVERIFY(form->Logging->isReadOnly());
    QVERIFY(form->Hilfe->isReadOnly());
    QCOMPARE(form->ScanStatus->text(), QStringLiteral("0 Dialersignaturen geladen ..."));
    QCOMPARE(form->Logo->pixmap().size(), QSize(150, 65));
    QVERIFY(!form->windowIcon().pixmap(32).isNull());
    // The folder tree, filled when its page is first shown, starts at "/" with the user's
    // home selected and its parents opened.
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->PageControl1->setCurrentWidget(form->verz->parentWidget());
    QVERIFY(form->verzModel);
    QCOMPARE(form->verzModel->filePath(form->verz->currentIndex()), QDir::homePath());
    for (QModelIndex p = form->verz->currentIndex().parent(); p.isValid(); p = p.parent())
      QVERIFY(form->verz->isExpanded(p));
  }

  // ~/.wine holds the Windows programs, dialers among them: the folder tree offers it.
  void hiddenFoldersCanBeChosen() {
    const QString wine = QDir::homePath() + QStringLiteral("/.wine");
    QVERIFY(QDir().mkpath(wine + QStringLiteral("/drive_c")));
    auto form = startWithData(0);
    QFileSystemModel* model = form->folderModel();
    const QModelIndex home = model->index(QDir::homePath());
    model->fetchMore(home);
    const auto names = [&] {
      QStringList found;
      for (int row = 0; row < model->rowCount(home); ++row)
        found << model->fileName(model->index(row, 0, home));
      return found;
    };
    QTRY_VERIFY(names().contains(QStringLiteral(".wine")));
  }

  // Minimising hides the window where a notification area can bring it back, and only there.
  void minimisingHidesOnlyWhereTheTrayIs_data() {
    QTest::addColumn<bool>("tray");
    QTest::newRow("notification area") << true;
    QTest::newRow("none") << false;
  }
  void minimisingHidesOnlyWhereTheTrayIs() {
    QFETCH(bool, tray);
    TForm1::setTrayAvailability(tray ? &withTray : &noTray);
    auto form = startWithData(0);
    QCOMPARE(form->TrayIcon != nullptr, tray);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->showMinimized();
    QCoreApplication::processEvents();  // the hiding is queued
    QCOMPARE(form->isVisible(), !tray);
    QVERIFY(form->isMinimized());
  }

  void reportLineColoursAndScanMemoCopy() {
    auto form = startWithData(0);
    form->Memo1->setPlainText(QStringLiteral("vorher"));
    const struct {
      int32_t colour;
      QColor expected;
    } colours[] = {{orv::kBlack, QColor(0, 0, 0)},
                   {orv::kRed, QColor(255, 0, 0)},
                   {orv::kGreen, QColor(0, 128, 0)},
                   {orv::kDarkYellow, QColor(155, 155, 0)}};
    const int first = reportLines(*form).size();
    for (const auto& c : colours) form->AddReportLine(QStringLiteral("Zeile"), c.colour, false);
    for (int i = 0; i < 4; ++i) QCOMPARE(colourOfLine(*form, first + i), colours[i].expected);
    QCOMPARE(form->Memo1->toPlainText(), QStringLiteral("vorher"));

    form->AddReportLine(QStringLiteral(" mit Blank"), orv::kRed, true);
    QCOMPARE(form->Memo1->toPlainText(), QStringLiteral("vorher\n mit Blank"));
    QVERIFY(reportLines(*form).last().endsWith(QStringLiteral("  mit Blank")));
  }

  // The report and the scan's text box show new lines as they come, also when they were
  // added while hidden, unless the user scrolled up to read.
  void reportAndScanMemoFollowNewLines_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("report") << "Logging";
    QTest::newRow("scan memo") << "Memo1";
  }
  void reportAndScanMemoFollowNewLines() {
    QFETCH(QString, box);
    auto form = startWithData(0);
    const QScrollBar* bar = form->findChild<QPlainTextEdit*>(box)->verticalScrollBar();
    const auto addLines = [&](int count) {
      for (int i = 0; i < count; ++i) form->AddReportLine(QStringLiteral("Zeile"), 0, true);
    };
    addLines(200);
    form->PageControl1->setCurrentIndex(box == QStringLiteral("Logging") ? 0 : 2);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    const_cast<QScrollBar*>(bar)->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int reading = bar->value();
    QVERIFY(reading < bar->maximum());
    addLines(5);
    QCOMPARE(bar->value(), reading);

    const_cast<QScrollBar*>(bar)->triggerAction(QAbstractSlider::SliderToMaximum);
    addLines(5);
    QCOMPARE(bar->value(), bar->maximum());
  }

  void clearingStartsAtTheTopAndLeavesScanMemo() {
    auto form = startWithData(0);
    form->Memo1->setPlainText(QStringLiteral("Scan"));
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(form->Logging->toPlainText(), QString());
    form->AddReportLine(QStringLiteral("neu"), orv::kGreen, false);
    QCOMPARE(reportLines(*form).size(), 1);
    QCOMPARE(colourOfLine(*form, 0), QColor(0, 128, 0));
    QCOMPARE(form->Memo1->toPlainText(), QStringLiteral("Scan"));
  }

  void savedReportIsRichTextUnderTheExactName() {
    auto form = startWithData(0);
    form->AddReportLine(QStringLiteral("/home/jürgen/Downloads/€uro-Dialer.exe - Infektion: Test"),
                        orv::kRed, true);
    const QString name = m_base->file(QStringLiteral("bericht"));  // no extension added
    m_dialogs->setNextSaveFile(name);
    // First in the user's documents, never in the program's own folder.
    const QString documents = QDir::homePath() + QStringLiteral("/Documents");
    QVERIFY(QDir().mkpath(documents));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs->saveRequests,
             QStringList{documents + QStringLiteral("/report.rtf|Rich Text Format (*.rtf)")});
    QFile saved(name);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QVERIFY(bytes.startsWith("{\\rtf1"));

    QTextDocument back;
    QVERIFY(orv::RtfReader::read(bytes, &back));
    QCOMPARE(back.toPlainText(), form->Logging->toPlainText());
    const QTextBlock last = back.lastBlock();
    QCOMPARE(last.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));

    // The next save offers the name chosen last; cancelling writes nothing.
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs->saveRequests.last(), name + QStringLiteral("|Rich Text Format (*.rtf)"));
    QVERIFY(m_dialogs->errors.isEmpty());
  }

  void savingWhereNoFileCanBeCreatedShowsTheError() {
    auto form = startWithData(0);
    const QString name = m_base->file(QStringLiteral("fehlt/report.rtf"));
    m_dialogs->setNextSaveFile(name);
    form->Button1Click(form->Button1);
    QCOMPARE(m_dialogs->errors,
             QStringList{QStringLiteral("Datei %1 kann nicht erstellt werden.").arg(name)});
    QVERIFY(!QFile::exists(name));
  }

  void printingGoesOnWhenTheDialogIsCancelled() {
    auto form = startWithData(0);
    form->AddReportLine(QStringLiteral("Druckprobe"), orv::kRed, false);
    const QString pdf = m_base->file(QStringLiteral("report.pdf"));
    form->reportPrinter().setOutputFormat(QPrinter::PdfFormat);
    form->reportPrinter().setOutputFileName(pdf);
    m_dialogs->setNextPrintSetup(false);
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QCOMPARE(m_dialogs->printSetupCount, 1);
    QVERIFY(m_dialogs->errors.isEmpty());
    QVERIFY(QFileInfo(pdf).size() > 0);
    QVERIFY(form->reportPrinter().docName().startsWith(QStringLiteral("ORV Reportdatei vom ")));

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) QSKIP("pdftotext is not installed; the PDF's text is not checked");
    QProcess extract;
    extract.start(pdftotext, {pdf, QStringLiteral("-")});
    QVERIFY(extract.waitForFinished(30000));
    QVERIFY(
        QString::fromUtf8(extract.readAllStandardOutput()).contains(QStringLiteral("Druckprobe")));
  }

  // The report fills the printable area page after page; nothing is added to it: no margins
  // of its own, no page numbers.
  void printoutIsTheReportAlone() {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) QSKIP("pdftotext is not installed (scripts/install-deps has it)");
    auto form = startWithData(0);
    form->Button3Click(form->Button3);
    QStringList expected;
    for (int i = 0; i < 300; ++i) {
      expected << QStringLiteral("Zeile-%1").arg(i);
      form->AddReportLine(expected.last(), orv::kBlack, false);
    }
    const QString pdf = m_base->file(QStringLiteral("report.pdf"));
    QPrinter& printer = form->reportPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    form->Button2Click(form->Button2);
    QCOMPARE(m_dialogs->errors, QStringList());

    QProcess extract;
    extract.start(pdftotext, {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QVERIFY(extract.waitForFinished(30000));
    const QString boxes = QString::fromUtf8(extract.readAllStandardOutput());
    QVERIFY(boxes.count(QStringLiteral("<page ")) >= 2);
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    QStringList words;
    double left = 1e9;
    double top = 1e9;
    for (const QRegularExpressionMatch& m : word.globalMatch(boxes)) {
      words << m.captured(3);
      left = std::min(left, m.captured(1).toDouble());
      top = std::min(top, m.captured(2).toDouble());
    }
    for (const QString& line : expected) QVERIFY2(words.contains(line), qPrintable(line));
    static const QRegularExpression number(QStringLiteral("^\\d+$"));
    QCOMPARE(words.filter(number), QStringList());  // no page numbers
    QVERIFY2(left < 3 && top < 3, qPrintable(QStringLiteral("%1 %2").arg(left).arg(top)));
  }

  // The printer is set up at the first print: the print dialog gets it, and the report goes
  // where the dialog left it.
  void firstPrintGoesToThePrinterOfTheDialog() {
    auto form = startWithData(0);
    form->AddReportLine(QStringLiteral("Erster Druck"), orv::kBlack, false);
    const QString pdf = m_base->file(QStringLiteral("erster.pdf"));
    m_dialogs->choosePrinter = [&](QPrinter* printer) {
      QVERIFY(printer);
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(pdf);
    };
    form->Button2Click(form->Button2);
    QCOMPARE(m_dialogs->errors, QStringList());
    QVERIFY(QFileInfo(pdf).size() > 0);
    QCOMPARE(form->reportPrinter().outputFileName(), pdf);  // kept for the next print
  }

  void aPrintThatFailsSaysSo() {
    auto form = startWithData(0);
    const QString pdf = m_base->file(QStringLiteral("fehlt/report.pdf"));
    form->reportPrinter().setOutputFormat(QPrinter::PdfFormat);
    form->reportPrinter().setOutputFileName(pdf);
    form->Button2Click(form->Button2);
    QCOMPARE(m_dialogs->errors,
             QStringList{QStringLiteral("Datei %1 kann nicht erstellt werden.").arg(pdf)});
  }

  void printingWithoutPrinterShowsTheError() {
    auto form = startWithData(0);
    form->reportPrinter().setOutputFormat(QPrinter::PdfFormat);
    form->reportPrinter().setOutputFileName(QString());
    form->Button2Click(form->Button2);
    QCOMPARE(m_dialogs->errors,
             QStringList{QStringLiteral("Zur Zeit ist kein Standarddrucker gewählt.")});
  }

  void processMonitorFollowsItsOptions() {
    auto form = startWithData(0);
    QVERIFY(!form->SpeicherTimer->isActive());
    form->CheckMemory->setChecked(true);
    QVERIFY(form->SpeicherTimer->isActive());
    QCOMPARE(form->SpeicherTimer->interval(), 1000);
    form->IntervallMEM->setValue(250);
    QCOMPARE(form->SpeicherTimer->interval(), 250);
    form->IntervallMEM->setValue(0);  // no more ticks, the option stays on
    QVERIFY(!form->SpeicherTimer->isActive());
    QVERIFY(form->CheckMemory->isChecked());
    form->IntervallMEM->setValue(300);
    QVERIFY(form->SpeicherTimer->isActive());
    form->CheckMemory->setChecked(false);
    QVERIFY(!form->SpeicherTimer->isActive());
  }

  void terminationSignalsAskForShutdown() {
    orv::UnixSignals unixSignals;
    QSignalSpy spy(&unixSignals, &orv::UnixSignals::terminationRequested);
    for (int number : {SIGTERM, SIGHUP, SIGINT}) {
      const int before = spy.count();
      ::raise(number);
      QTRY_VERIFY(spy.count() > before);
    }
  }
};

QTEST_MAIN(TForm1Test)
#include "tform1_test.moc"
