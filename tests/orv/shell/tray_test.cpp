// The notification-area icon and its menu on the real window offscreen, the kind of
// notification area asked on a session bus of the test's own, and the options that act at
// the next warning.
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
#include "shell/tray_host.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"
#include "support/warning_answerer.h"
#include "warning/tmeldung.h"

using orv::TForm1;
using orv::TrayHost;
Q_DECLARE_METATYPE(TrayHost)

namespace {

bool g_trayThere = true;
bool trayThere() {
  return g_trayThere;
}

// What a notification area of the StatusNotifier kind puts on the session bus.
class WatcherStub : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER hostRegistered)
 public:
  bool hostRegistered = false;
};

class CountingSound : public orv::WarningSound {
 public:
  explicit CountingSound(int& plays) : m_plays(plays) {}
  void play() override { ++m_plays; }

 private:
  int& m_plays;
};

// Notes at every showing of the warning whether its lock runs.
class LockSpy : public QObject {
 public:
  explicit LockSpy(orv::TMeldung& dialog) : m_dialog(dialog) { dialog.installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) seen << m_dialog.Sperrtimer->isActive();
    return false;
  }
  QList<bool> seen;

 private:
  orv::TMeldung& m_dialog;
};

}  // namespace

class TrayTest : public QObject {
  Q_OBJECT

  QProcess m_busDaemon;
  // Answers on a thread of its own, so that the test's thread may ask it and wait.
  QThread m_watcherThread;
  WatcherStub m_watcher;
  std::unique_ptr<TempBaseDir> m_base;
  ScriptedDialogs* m_dialogs = nullptr;

  bool putWatcherOnBus(bool hostRegistered) {
    m_watcher.hostRegistered = hostRegistered;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
                              QDBusConnection::ExportAllProperties) &&
           bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
  }
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
    // A bus of the test's own, set before anything asks for the session bus.
    m_busDaemon.setStandardErrorFile(QProcess::nullDevice());
    m_busDaemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    if (m_busDaemon.waitForStarted() && m_busDaemon.waitForReadyRead())
      qputenv("DBUS_SESSION_BUS_ADDRESS", m_busDaemon.readLine().trimmed());
    m_watcherThread.start();
    m_watcher.moveToThread(&m_watcherThread);
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
    m_dialogs = &ScriptedDialogs::installNew();
    m_base = std::make_unique<TempBaseDir>();
    m_base->copyFromData(QStringLiteral("orv.sig"));
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    m_base->writeInitialSettings();
  }
  void cleanup() {
    QDBusConnection::sessionBus().unregisterService(
        QStringLiteral("org.kde.StatusNotifierWatcher"));
    QDBusConnection::sessionBus().unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    orv::RasLibrary::resetShared(orv::RasLibrary::serviceLibraryName());
  }

  void activationsThatBringTheWindowBack_data() {
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<TrayHost>("host");
    QTest::addColumn<bool>("back");
    QTest::newRow("double-click") << QSystemTrayIcon::DoubleClick << TrayHost::XEmbed << true;
    // The X11 tray reports the first click of every double-click as well.
    QTest::newRow("click, X11 tray") << QSystemTrayIcon::Trigger << TrayHost::XEmbed << false;
    QTest::newRow("click, StatusNotifier")
        << QSystemTrayIcon::Trigger << TrayHost::StatusNotifier << true;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << TrayHost::StatusNotifier
                                  << false;
  }
  void activationsThatBringTheWindowBack() {
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(TrayHost, host);
    QFETCH(bool, back);
    QCOMPARE(orv::activationBringsWindowBack(reason, host), back);
  }

  // Qt serves the icon over D-Bus only where the watcher says that a host has registered.
  void theKindOfNotificationArea_data() {
    QTest::addColumn<int>("watcher");  // 0 none, 1 without a host, 2 with one
    QTest::addColumn<TrayHost>("host");
    QTest::newRow("no watcher") << 0 << TrayHost::XEmbed;
    QTest::newRow("watcher without a host") << 1 << TrayHost::XEmbed;
    QTest::newRow("watcher with a host") << 2 << TrayHost::StatusNotifier;
  }
  void theKindOfNotificationArea() {
    QFETCH(int, watcher);
    QFETCH(TrayHost, host);
    if (!QDBusConnection::sessionBus().isConnected()) QSKIP("no dbus-daemon here");
    if (watcher > 0) QVERIFY(putWatcherOnBus(watcher == 2));
    QCOMPARE(orv::currentTrayHost(), host);
  }

  void doubleClickBringsTheHiddenWindowBackWhereItWas() {
    auto form = start();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->move(form->pos() + QPoint(40, 30));
    const QRect before = form->geometry();
    form->showMinimized();
    QTRY_VERIFY(!form->isVisible());
    emit form->TrayIcon->activated(QSystemTrayIcon::Trigger);  // the first of the two clicks
    QVERIFY(!form->isVisible());
    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(form->isVisible() && !form->isMinimized());
    QCOMPARE(form->geometry(), before);
  }

  void aStatusNotifierHostsClickBringsTheWindowBack() {
    if (!QDBusConnection::sessionBus().isConnected()) QSKIP("no dbus-daemon here");
    QVERIFY(putWatcherOnBus(true));
    auto form = start();
    form->showMinimized();
    QTRY_VERIFY(!form->isVisible());
    emit form->TrayIcon->activated(QSystemTrayIcon::Trigger);
    QVERIFY(form->isVisible());
  }

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
    auto form = start();
    QVERIFY(form->isVisible() && !form->isMinimized());
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
    item(*form, "ORVbeenden1")->trigger();  // as closing the window: no question
    QVERIFY(form->quitRequested());
    QVERIFY(m_dialogs->questions.isEmpty());
  }

  // Ticked and unticked while ORV runs, the lock and the sound follow the boxes at once.
  void lockAndSoundActAtTheNextWarning() {
    auto form = start();
    orv::TMeldung dialog;
    int sounds = 0;
    form->setWarningDialog(&dialog, std::make_unique<CountingSound>(sounds));
    WarningAnswerer answerer(dialog);
    LockSpy lock(dialog);
    form->ReportOnly->setChecked(false);
    const QString sample =
        qEnvironmentVariable("ORV_SOURCE_DIR") + "/data/samples/orv-testdialer.exe";
    for (const bool on : {true, false}) {
      form->Sperre->setChecked(on);
      form->Warnsignal->setChecked(on);
      const int soundsBefore = sounds;
      form->CheckFile(sample);
      QCOMPARE(lock.seen.takeLast(), on);
      QCOMPARE(sounds - soundsBefore, on ? 1 : 0);
    }
  }
};

QTEST_MAIN(TrayTest)
#include "tray_test.moc"
