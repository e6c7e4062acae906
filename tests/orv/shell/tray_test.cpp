// The notification-area icon and its menu on the real window offscreen. The kind of
// notification area is asked on a session bus the test starts itself.
#include <QAction>
#include <QCheckBox>
#include <QDBusConnection>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <memory>

#include "dialup/ras_library.h"
#include "shell/tform1.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"
#include "support/warning_answerer.h"
#include "warning/tmeldung.h"

using orv::TForm1;

namespace {

bool g_trayThere = true;
bool trayThere() {
  return g_trayThere;
}

// The watcher a notification area of the StatusNotifier kind puts on the session bus.
class WatcherStub : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER hostRegistered)
 public:
  bool hostRegistered = true;
};

class CountingSound : public orv::WarningSound {
 public:
  explicit CountingSound(int& plays) : m_plays(plays) {}
  void play() override { ++m_plays; }
  int& m_plays;
};

}  // namespace

class TrayTest : public QObject {
  Q_OBJECT

  QProcess m_busDaemon;
  QThread m_watcherThread;  // the watcher answers there while the test waits for it
  WatcherStub m_watcher;
  std::unique_ptr<TempBaseDir> m_base;

  std::unique_ptr<TForm1> start() {
    auto form = std::make_unique<TForm1>(QStringList{m_base->path()});
    form->showAtStart();
    return form;
  }
  QAction* item(const TForm1& form, const char* name) {
    return form.Task->findChild<QAction*>(QLatin1String(name));
  }

 private slots:
  void initTestCase() {
    m_busDaemon.setStandardErrorFile(QProcess::nullDevice());
    m_busDaemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    QVERIFY(m_busDaemon.waitForReadyRead());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_busDaemon.readLine().trimmed());
    m_watcherThread.start();
    m_watcher.moveToThread(&m_watcherThread);
    QVERIFY(QDBusConnection::sessionBus().registerObject(QStringLiteral("/StatusNotifierWatcher"),
                                                         &m_watcher,
                                                         QDBusConnection::ExportAllProperties));
  }
  void cleanupTestCase() {
    m_watcherThread.quit();
    m_watcherThread.wait();
    m_busDaemon.kill();
    m_busDaemon.waitForFinished();
  }
  void init() {
    g_trayThere = true;
    TForm1::setTrayAvailability(&trayThere);
    ScriptedDialogs::installNew();
    m_base = std::make_unique<TempBaseDir>();
    m_base->copyFromData(QStringLiteral("orv.sig"));
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    m_base->writeInitialSettings();
  }
  void cleanup() {
    QDBusConnection::sessionBus().unregisterService(
        QStringLiteral("org.kde.StatusNotifierWatcher"));
    orv::RasLibrary::resetShared(orv::RasLibrary::serviceLibraryName());
  }

  // A StatusNotifier host (a watcher on the bus with a host registered) reports single
  // activations only; the X11 tray reports the first click of every double-click as well.
  void anActivationBringsTheHiddenWindowBackWhereItWas_data() {
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("statusNotifierHost");
    QTest::addColumn<bool>("back");
    QTest::newRow("double-click") << QSystemTrayIcon::DoubleClick << false << true;
    QTest::newRow("click, X11 tray") << QSystemTrayIcon::Trigger << false << false;
    QTest::newRow("click, StatusNotifier host") << QSystemTrayIcon::Trigger << true << true;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << true << false;
  }
  void anActivationBringsTheHiddenWindowBackWhereItWas() {
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, statusNotifierHost);
    QFETCH(bool, back);
    if (statusNotifierHost)
      QVERIFY(QDBusConnection::sessionBus().registerService("org.kde.StatusNotifierWatcher"));
    auto form = start();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->move(form->pos() + QPoint(40, 30));
    const QRect place = form->geometry();
    form->showMinimized();
    QTRY_VERIFY(!form->isVisible());
    emit form->TrayIcon->activated(reason);
    QCOMPARE(form->isVisible(), back);
    if (back) QCOMPARE(form->geometry(), place);
  }

  // Without a notification area the window is never left out of reach.
  void aNotificationAreaThatGoesGivesTheWindowBack() {
    auto form = start();
    form->showMinimized();
    QTRY_VERIFY(!form->isVisible());
    g_trayThere = false;
    QTRY_VERIFY(form->isVisible());
  }
  void startingMinimisedWithoutANotificationAreaShowsTheWindow() {
    g_trayThere = false;
    QByteArray options(24, '\0');
    options[1] = 1;  // "ORV minimiert starten"
    m_base->write(QStringLiteral("orv.conf"), options);
    QVERIFY(start()->isVisible());
  }

  // The check marks carry no state: every opening of the menu takes them from the boxes,
  // and an item turns its mark over and switches its monitor through the box.
  void theMenuSwitchesTheMonitorsThroughTheirBoxes() {
    auto form = start();
    QAction* dialup = item(*form, "DFNetzwerkberwachungaktivieren1");
    QAction* processes = item(*form, "Prozessberwachungaktiv1");
    form->ScanRAS->setChecked(true);
    processes->setChecked(true);
    form->Task->popup(QPoint(10, 10));
    QTRY_VERIFY(form->Task->isVisible());
    QVERIFY(dialup->isChecked() && !processes->isChecked());
    form->Task->hide();
    dialup->trigger();
    processes->trigger();
    QVERIFY(!form->ScanRAS->isChecked() && !form->DFUTimer->isActive());
    QVERIFY(
        form->Logging->toPlainText().endsWith(QStringLiteral("DFÜ Netzwerküberwachung gestoppt.")));
    QVERIFY(form->CheckMemory->isChecked() && form->SpeicherTimer->isActive());
    item(*form, "ORVbeenden1")->trigger();  // the same end as closing the window
    QVERIFY(form->quitRequested());
  }

  // Ticked and unticked while ORV runs, the sound follows the box from the next warning on
  // (the lock does the same; the scan's tests tick it while the window runs).
  void theSoundActsAtTheNextWarning() {
    auto form = start();
    orv::TMeldung dialog;
    int sounds = 0;
    form->setWarningDialog(&dialog, std::make_unique<CountingSound>(sounds));
    WarningAnswerer answerer(dialog);
    form->ReportOnly->setChecked(false);
    for (const bool on : {true, false}) {
      form->Warnsignal->setChecked(on);
      const int before = sounds;
      form->CheckFile(qEnvironmentVariable("ORV_SOURCE_DIR") + "/data/samples/orv-testdialer.exe");
      QCOMPARE(answerer.texts.size(), on ? 1 : 2);
      QCOMPARE(sounds - before, on ? 1 : 0);
    }
  }
};

QTEST_MAIN(TrayTest)
#include "tray_test.moc"
