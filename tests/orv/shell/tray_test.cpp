// The notification-area icon and its menu on the real window offscreen, the kind of
// notification area asked on a session bus of the test's own, and the options that act at
// the next warning.
#include <QAction>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

#include "dialup/ras_library.h"
#include "shell/tform1.h"
#include "shell/tray_host.h"
#include "shell/web_addresses.h"
#include "support/private_session_bus.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"
#include "support/warning_answerer.h"
#include "warning/tmeldung.h"

using orv::TForm1;
using orv::TrayHost;

namespace {

bool g_trayThere = true;
bool trayThere() {
  return g_trayThere;
}

// Counts the warning sounds instead of playing them.
class CountingSound : public orv::WarningSound {
 public:
  explicit CountingSound(int& plays) : m_plays(plays) {}
  void play() override { ++m_plays; }

 private:
  int& m_plays;
};

// Runs `action` whenever the dialog is shown, before it is answered.
class WhileShown : public QObject {
 public:
  WhileShown(QWidget& dialog, std::function<void()> action) : m_action(std::move(action)) {
    dialog.installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) m_action();
    return false;
  }

 private:
  std::function<void()> m_action;
};

// Takes the addresses the desktop would open in the browser.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

}  // namespace

Q_DECLARE_METATYPE(TrayHost)

class TrayTest : public QObject {
  Q_OBJECT

  // Created before any test asks the session bus, so that Qt's bus is this one.
  std::unique_ptr<PrivateSessionBus> m_bus;
  std::unique_ptr<StatusNotifierWatcherStub> m_watcher;
  std::unique_ptr<TempBaseDir> m_base;
  ScriptedDialogs* m_dialogs = nullptr;

  std::unique_ptr<TForm1> start() {
    auto form = std::make_unique<TForm1>(QStringList{m_base->path()});
    form->showAtStart();
    return form;
  }
  QAction* item(const TForm1& form, const char* name) {
    return form.Task->findChild<QAction*>(QLatin1String(name));
  }
  // Minimised by the user: hidden in the notification area.
  void minimise(TForm1& form) {
    form.showMinimized();
    QTRY_VERIFY(!form.isVisible());
  }

 private slots:
  void initTestCase() {
    m_bus = std::make_unique<PrivateSessionBus>();
    if (!m_bus->started()) return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus->address().toUtf8());
    m_watcher = std::make_unique<StatusNotifierWatcherStub>(*m_bus);
  }
  void init() {
    g_trayThere = true;
    TForm1::setTrayAvailability(&trayThere);
    m_dialogs = &ScriptedDialogs::installNew();
    m_base = std::make_unique<TempBaseDir>();
    m_base->copyFromData(QStringLiteral("orv.sig"));
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));
    m_base->writeInitialSettings();
    if (m_watcher) m_watcher->disappear();
  }
  void cleanup() { orv::RasLibrary::resetShared(orv::RasLibrary::serviceLibraryName()); }

  void activationsThatBringTheWindowBack_data() {
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<TrayHost>("host");
    QTest::addColumn<bool>("back");
    QTest::newRow("double-click, X11 tray")
        << QSystemTrayIcon::DoubleClick << TrayHost::XEmbed << true;
    QTest::newRow("double-click, StatusNotifier")
        << QSystemTrayIcon::DoubleClick << TrayHost::StatusNotifier << true;
    // The X11 tray reports the first click of every double-click as well.
    QTest::newRow("click, X11 tray") << QSystemTrayIcon::Trigger << TrayHost::XEmbed << false;
    QTest::newRow("activation, StatusNotifier")
        << QSystemTrayIcon::Trigger << TrayHost::StatusNotifier << true;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << TrayHost::StatusNotifier
                                  << false;
    QTest::newRow("menu") << QSystemTrayIcon::Context << TrayHost::StatusNotifier << false;
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
    if (!m_watcher) QSKIP("no dbus-daemon on this machine");
    if (watcher > 0) QVERIFY(m_watcher->appear(watcher == 2));
    QCOMPARE(orv::trayHostOn(QDBusConnection::sessionBus()), host);
    QCOMPARE(orv::currentTrayHost(), host);
  }

  void withoutASessionBusTheTrayIsX11s() {
    QCOMPARE(orv::trayHostOn(QDBusConnection(QStringLiteral("never connected"))), TrayHost::XEmbed);
  }

  void doubleClickBringsTheHiddenWindowBackWhereItWas() {
    auto form = start();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->move(form->pos() + QPoint(40, 30));
    const QRect before = form->geometry();
    minimise(*form);
    QVERIFY(form->TrayWatch->isActive());

    emit form->TrayIcon->activated(QSystemTrayIcon::Trigger);  // first click of the two
    QVERIFY(!form->isVisible());
    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(form->isVisible());
    QVERIFY(!form->isMinimized());
    QCOMPARE(form->geometry(), before);
    QVERIFY(!form->TrayWatch->isActive());
    minimise(*form);  // and minimising hides it again
  }

  void aStatusNotifierHostsActivationBringsTheWindowBack() {
    if (!m_watcher) QSKIP("no dbus-daemon on this machine");
    QVERIFY(m_watcher->appear(true));
    auto form = start();
    minimise(*form);
    emit form->TrayIcon->activated(QSystemTrayIcon::Trigger);
    QVERIFY(form->isVisible());
  }

  // Minimised while there was no notification area, the window sits in the task bar; an
  // icon that came since brings it back all the same.
  void aWindowMinimisedInTheTaskBarComesBackToo() {
    auto form = start();
    g_trayThere = false;
    form->showMinimized();
    QCoreApplication::processEvents();
    QVERIFY(form->isVisible() && form->isMinimized());
    g_trayThere = true;
    emit form->TrayIcon->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(!form->isMinimized());
  }

  void aNotificationAreaThatGoesGivesTheWindowBack() {
    auto form = start();
    minimise(*form);
    g_trayThere = false;
    QTRY_VERIFY(form->isVisible());
    QVERIFY(!form->isMinimized());
  }

  void startingMinimisedWithoutANotificationAreaShowsTheWindow_data() {
    QTest::addColumn<bool>("tray");
    QTest::newRow("notification area") << true;
    QTest::newRow("none") << false;
  }
  void startingMinimisedWithoutANotificationAreaShowsTheWindow() {
    QFETCH(bool, tray);
    g_trayThere = tray;
    QByteArray options(24, '\0');
    options[1] = 1;  // "ORV minimiert starten"
    m_base->write(QStringLiteral("orv.conf"), options);
    auto form = start();
    QCOMPARE(form->isVisible(), !tray);
    QVERIFY(!form->isMinimized());
  }

  // The check marks carry no state: every opening of the menu takes them from the boxes.
  void openingTheMenuRefreshesItsCheckMarks() {
    auto form = start();
    form->ScanRAS->setChecked(true);
    item(*form, "Prozessberwachungaktiv1")->setChecked(true);
    form->Task->popup(QPoint(10, 10));
    QTRY_VERIFY(form->Task->isVisible());
    QVERIFY(item(*form, "DFNetzwerkberwachungaktivieren1")->isChecked());
    QVERIFY(!item(*form, "Prozessberwachungaktiv1")->isChecked());
    form->Task->hide();
  }

  void theMenuSwitchesTheDialupMonitorThroughItsBox() {
    auto form = start();
    QAction* dialup = item(*form, "DFNetzwerkberwachungaktivieren1");
    for (const bool on : {true, false}) {
      emit form->Task->aboutToShow();
      dialup->trigger();
      QCOMPARE(form->ScanRAS->isChecked(), on);
      QCOMPARE(form->DFUTimer->isActive(), on);
      QVERIFY(form->Logging->toPlainText().endsWith(
          on ? QStringLiteral("DFÜ Netzwerküberwachung gestartet.")
             : QStringLiteral("DFÜ Netzwerküberwachung gestoppt.")));
    }
  }

  void theMenuSwitchesTheProcessMonitorThroughItsBox() {
    auto form = start();
    emit form->Task->aboutToShow();
    item(*form, "Prozessberwachungaktiv1")->trigger();
    QVERIFY(form->CheckMemory->isChecked());
    QVERIFY(form->SpeicherTimer->isActive());
  }

  // The same end as closing the window (which saves the settings), without a question.
  void quittingFromTheMenuEndsTheProgram() {
    auto form = start();
    item(*form, "ORVbeenden1")->trigger();
    QVERIFY(form->quitRequested());
    QVERIFY(m_dialogs->questions.isEmpty());
  }

  void theUpdatesButtonOpensTheUpdatesPage() {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    auto form = start();
    QVERIFY(!form->Button6->isEnabled());
    form->Button6Click(form->Button6);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.opened,
             QList<QUrl>{QUrl(QStringLiteral("https://orv.example.org/orv/updates.html"))});
  }

  // The lock and the sound are ticked and unticked while ORV runs: each warning follows the
  // boxes as they stand.
  void lockAndSoundActAtTheNextWarning() {
    auto form = start();
    orv::TMeldung dialog;
    int sounds = 0;
    form->setWarningDialog(&dialog, std::make_unique<CountingSound>(sounds));
    WarningAnswerer answerer(dialog);
    QList<bool> locked;
    WhileShown lockSeen(dialog, [&] { locked << dialog.Sperrtimer->isActive(); });
    form->ReportOnly->setChecked(false);
    const QString sample = QString::fromLocal8Bit(qgetenv("ORV_SOURCE_DIR")) +
                           QStringLiteral("/data/samples/orv-testdialer.exe");
    for (const bool on : {true, false}) {
      form->Sperre->setChecked(on);
      form->Warnsignal->setChecked(on);
      const int soundsBefore = sounds;
      form->CheckFile(sample);
      QCOMPARE(locked.size(), on ? 1 : 2);
      QCOMPARE(locked.last(), on);
      QCOMPARE(sounds - soundsBefore, on ? 1 : 0);
    }
  }
};

QTEST_MAIN(TrayTest)
#include "tray_test.moc"
