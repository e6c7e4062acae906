// The main window's settings driven offscreen: what start-up loads into the controls and
// what the shutdown leaves on disk.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <climits>
#include <csignal>
#include <memory>

#include "detect/allowed_list.h"
#include "shell/allowed_list_file.h"
#include "shell/autostart_entry.h"
#include "shell/scramble_text.h"
#include "shell/settings_formats.h"
#include "shell/tform1.h"
#include "shell/unix_signals.h"
#include "shell/user_folder.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"

using orv::TForm1;
using orv::TSettings;

namespace {

bool noTray() {
  return false;
}

enum Breakage { HelpTextMissing, AllowedListUnreadable, OptionsMissing };

}  // namespace

class TForm1SettingsTest : public QObject {
  Q_OBJECT

  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TempBaseDir> m_base;
  QByteArray m_options;
  QByteArray m_allowed;
  QByteArray m_connections;

  QByteArray content(const QString& name) const {
    QFile file(m_base->file(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
  }
  void writeFiles(const TSettings& options, const QStringList& allowed = {},
                  const orv::KnownConnectionList& connections = {}) {
    m_options = orv::settingsToRecord(options);
    m_allowed = orv::allowedListToFile(allowed);
    m_connections = orv::connectionsToFile(connections);
    m_base->write(QStringLiteral("orv.conf"), m_options);
    m_base->write(QStringLiteral("erlaubt.conf"), m_allowed);
    m_base->write(QStringLiteral("connections.conf"), m_connections);
  }
  void verifyFilesUnchanged() const {
    QCOMPARE(content(QStringLiteral("orv.conf")), m_options);
    QCOMPARE(content(QStringLiteral("erlaubt.conf")), m_allowed);
    QCOMPARE(content(QStringLiteral("connections.conf")), m_connections);
  }
  std::unique_ptr<TForm1> start() { return std::make_unique<TForm1>(QStringList{m_base->path()}); }

 private slots:
  void init() {
    TForm1::setTrayAvailability(&noTray);
    m_dialogs = &ScriptedDialogs::installNew();
    m_base = std::make_unique<TempBaseDir>();
    m_base->write(QStringLiteral("orv.sig"), {});
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_base->file(QStringLiteral("config"))));
    // A phonebook that cannot be read: the connection list is never built.
    qputenv("ORV_PPP_DIR", QFile::encodeName(m_base->file(QStringLiteral("ppp"))));
    QDir().mkpath(m_base->file(QStringLiteral("ppp")));
    m_base->write(QStringLiteral("ppp/peers"), "not a folder");
  }

  void storedOptionsReachTheControlsThroughTheirHandlers_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("timer");
    QTest::newRow("interval 0 leaves the timer's own") << 0 << 1000;
    QTest::newRow("any other becomes the timer's") << 250 << 250;
  }
  void storedOptionsReachTheControlsThroughTheirHandlers() {
    QFETCH(int, stored);
    QFETCH(int, timer);
    TSettings options;
    options.AutoStart = options.Minimiert = options.Sperre = options.CheckMemory = 1;
    options.UseHeur = 1;
    options.Warnsignal = 7;
    options.IntervallMEM = stored;
    writeFiles(options);
    auto form = start();
    QVERIFY(m_dialogs->errors.isEmpty() && m_dialogs->messages.isEmpty());  // UseHeur is silent
    for (QCheckBox* box : {form->AutoStart, form->Minimiert, form->Sperre, form->Warnsignal,
                           form->CheckMemory, form->UseHeur})
      QVERIFY2(box->isChecked(), qPrintable(box->objectName()));
    QVERIFY(!form->ReportOnly->isChecked());
    QCOMPARE(form->Settings.Warnsignal, 1);  // its handler ran
    QVERIFY(form->SpeicherTimer->isActive());
    QCOMPARE(form->SpeicherTimer->interval(), timer);
    QVERIFY(!form->startVisible());
    QCOMPARE(content(QStringLiteral("config/autostart/orv-autostart.desktop")),
             orv::autostartEntry(
                 orv::autostartCommand(QCoreApplication::applicationFilePath(), m_base->path())));
  }

  void aRunWithoutChangesLeavesEveryFileAsItWas() {
    TSettings options;
    options.Sperre = options.ReportOnly = 1;
    options.IntervallRAS = INT_MIN;
    options.IntervallMEM = INT_MAX;
    options.reserved5[1] = options.reserved12 = options.reserved15 = options.reserved21[2] = 0xA5;
    const QStringList allowed{QString(35, QLatin1Char('a')) + QStringLiteral(".exe | 0A1B2C3D"),
                              QString(31, QLatin1Char('a')) + QStringLiteral("-+x.exe"),
                              QStringLiteral("\\xE4rger.exe | 0A1B2C3D")};
    writeFiles(options, allowed, {{true, "T-Online", "+49 (0190) 123"}});
    m_connections += QByteArray(100, 'x');  // a partial record stays where the list is not built
    m_base->write(QStringLiteral("connections.conf"), m_connections);
    auto form = start();
    QVERIFY(m_dialogs->errors.isEmpty());
    QCOMPARE(orv::AllowedList(form->Erlaubt).lines(), allowed);
    QCOMPARE(form->KnownConnections.size(), size_t{1});
    form->FormDestroy(form.get());
    verifyFilesUnchanged();
  }

  void connectionMarksAreStoredOnlyFromABuiltList() {
    writeFiles(TSettings{}, {}, {{true, "T-Online", "+49 (0190) 123"}});
    QFile::remove(m_base->file(QStringLiteral("ppp/peers")));
    QDir().mkpath(m_base->file(QStringLiteral("ppp/peers")));
    m_base->write(QStringLiteral("ppp/peers/isp"), "/dev/ttyS0\n");
    auto built = start();
    QVERIFY(built->connectionListBuilt());
    QTreeWidgetItem* isp = built->Liste->topLevelItem(0);
    QVERIFY(isp);
    isp->setCheckState(0, Qt::Checked);
    built->FormDestroy(built.get());
    QCOMPARE(content(QStringLiteral("connections.conf")),
             orv::connectionsToFile({{true, "isp", isp->text(1).toUtf8()}}));
  }

  void aStartThatEndedEarlyStoresNothingItDidNotLoad_data() {
    QTest::addColumn<int>("breakage");
    QTest::addColumn<QString>("error");
    QTest::newRow("help text") << int(HelpTextMissing)
                               << QStringLiteral("Datei %1hilfe.rtf kann nicht geöffnet werden.");
    QTest::newRow("allowed list") << int(AllowedListUnreadable)
                                  << QStringLiteral(
                                         "Datei %1erlaubt.conf kann nicht geöffnet werden.");
    QTest::newRow("options") << int(OptionsMissing) << QStringLiteral("Datei nicht gefunden.");
  }
  void aStartThatEndedEarlyStoresNothingItDidNotLoad() {
    QFETCH(int, breakage);
    QFETCH(QString, error);
    TSettings options;
    options.ReportOnly = 1;
    writeFiles(options, {QStringLiteral("alt.exe | 00000001")}, {{true, "a", "b"}});
    const QString broken =
        m_base->file(breakage == HelpTextMissing  ? QStringLiteral("hilfe.rtf")
                     : breakage == OptionsMissing ? QStringLiteral("orv.conf")
                                                  : QStringLiteral("erlaubt.conf"));
    QFile::remove(broken);
    if (breakage == AllowedListUnreadable) QDir().mkdir(broken);
    auto form = start();
    QCOMPARE(m_dialogs->errors, QStringList{error.arg(m_base->path())});
    form->Sperre->setChecked(true);
    form->FormDestroy(form.get());
    // Options that were loaded whole, or did not exist, take the change; nothing else moves.
    options.Sperre = 1;
    QCOMPARE(content(QStringLiteral("orv.conf")),
             breakage == HelpTextMissing ? m_options : orv::settingsToRecord(options));
    QCOMPARE(content(QStringLiteral("connections.conf")), m_connections);
    if (breakage == OptionsMissing) QCOMPARE(content(QStringLiteral("erlaubt.conf")), m_allowed);
    QVERIFY(QFileInfo(broken).isDir() == (breakage == AllowedListUnreadable));
  }

  void terminationWhileAStartupBoxWaitsEndsWithoutStoringIt() {
    writeFiles(TSettings{});
    QFile::remove(m_base->file(QStringLiteral("erlaubt.conf")));
    QDir().mkdir(m_base->file(QStringLiteral("erlaubt.conf")));
    orv::Dialogs::install(nullptr);  // the real boxes, each in its own loop
    orv::UnixSignals unixSignals;
    bool raised = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
      if (raised || !qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return;
      raised = true;
      ::raise(SIGTERM);
    });
    watch.start(10);
    QTimer giveUp;  // a box that stays must fail the test, not hang it
    connect(&giveUp, &QTimer::timeout, [] { QApplication::activeModalWidget()->close(); });
    giveUp.setSingleShot(true);
    giveUp.start(30000);
    TForm1 form({m_base->path()}, &unixSignals);
    QVERIFY(raised);
    QVERIFY(form.quitRequested());
    QVERIFY(giveUp.isActive());
    m_dialogs = &ScriptedDialogs::installNew();
    form.FormDestroy(&form);
    QCOMPARE(content(QStringLiteral("orv.conf")), m_options);
    QCOMPARE(content(QStringLiteral("connections.conf")), m_connections);
  }

  void aFailedSaveSaysSoAndTheOtherFilesAreStillWritten() {
    writeFiles(TSettings{});
    auto form = start();
    form->Erlaubt->setPlainText(QStringLiteral("neu.exe | 00000001"));
    QFile::remove(m_base->file(QStringLiteral("orv.conf")));
    QDir().mkdir(m_base->file(QStringLiteral("orv.conf")));
    form->FormDestroy(form.get());
    QCOMPARE(m_dialogs->errors,
             QStringList{QStringLiteral("Datei %1orv.conf kann nicht erstellt werden "
                                        "(Dateizugriff verweigert).")
                             .arg(m_base->path())});
    QCOMPARE(content(QStringLiteral("erlaubt.conf")),
             orv::ScrambleText("neu.exe | 00000001") + "\r\n");
  }

  // Started from the menu entry, ORV works in the per-user folder and writes an autostart
  // entry that starts it the same way.
  void autostartRepeatsThePerUserFolderOption() {
    const QString folder = orv::userFolder();
    QVERIFY(QDir().mkpath(folder));
    const auto removeFolder = qScopeGuard([&] { QDir(folder).removeRecursively(); });
    QVERIFY(QFile::copy(m_base->file(QStringLiteral("hilfe.rtf")), folder + "hilfe.rtf"));
    TSettings options;
    options.AutoStart = 1;
    QFile conf(folder + QStringLiteral("orv.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(orv::settingsToRecord(options));
    conf.close();
    TForm1 form({orv::userFolderOption()});
    QCOMPARE(form.BaseDir, folder);
    QCOMPARE(content(QStringLiteral("config/autostart/orv-autostart.desktop")),
             orv::autostartEntry(orv::autostartCommand(QCoreApplication::applicationFilePath(),
                                                       orv::userFolderOption())));
  }

  void autostartThatCannotBeWrittenStopsLoading() {
    m_base->write(QStringLiteral("config"), {});  // no folder can be made below it
    TSettings options;
    options.AutoStart = options.CheckMemory = 1;
    writeFiles(options, {QStringLiteral("alt.exe | 00000001")});
    auto form = start();
    const QString error = QStringLiteral("Fehler beim Setzen der Daten für 'ORV Autostart'.");
    QCOMPARE(m_dialogs->errors, QStringList{error});
    QVERIFY(form->AutoStart->isChecked());
    QVERIFY(!form->CheckMemory->isChecked());
    QVERIFY(form->Erlaubt->toPlainText().isEmpty());
    form->AutoStart->setChecked(false);
    form->AutoStart->setChecked(true);  // while running, the box comes at once
    QCOMPARE(m_dialogs->errors, (QStringList{error, error}));
    form->FormDestroy(form.get());
    verifyFilesUnchanged();
  }

  void freshInstallStartsWithTheShippedOptions() {
    for (const char* name : {"orv.conf", "erlaubt.conf", "connections.conf"})
      m_base->copyFromData(QLatin1String(name));
    auto form = start();
    QVERIFY(m_dialogs->errors.isEmpty());
    QVERIFY(form->ScanRAS->isChecked());
    QCOMPARE(form->IntervallRAS->value(), 1000);
    QCOMPARE(form->IntervallMEM->value(), 1000);
    for (QCheckBox* box : {form->AutoStart, form->Minimiert, form->Sperre, form->Warnsignal,
                           form->CheckMemory, form->UseHeur, form->ReportOnly})
      QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
  }
};

QTEST_MAIN(TForm1SettingsTest)
#include "tform1_settings_test.moc"
