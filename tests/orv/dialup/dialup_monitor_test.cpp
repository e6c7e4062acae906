// The dial-up monitor's own rules, over the real service with a stub pppd: what it judges
// after being switched on, and how it keeps running through failures and nested ticks.
#include <QTest>
#include <QTimer>
#include <functional>

#include "dialup/dialup_monitor.h"
#include "dialup/ras_connector.h"
#include "shell/orv_error.h"
#include "shell/report_log.h"
#include "support/ppp_fixture.h"

class DialupMonitorTest : public QObject {
  Q_OBJECT

  std::unique_ptr<orvtest::PppFixture> m_ppp;
  std::unique_ptr<orv::TRasConnector> m_conns;
  std::unique_ptr<QTimer> m_timer;
  std::unique_ptr<orv::DialupMonitor> m_monitor;
  QStringList m_lines;
  std::function<void()> m_refresh;

 private slots:
  void init() {
    m_ppp = std::make_unique<orvtest::PppFixture>();
    m_ppp->writeDialPeer("isp", "0190111");
    m_conns = std::make_unique<orv::TRasConnector>();
    m_timer = std::make_unique<QTimer>();
    m_timer->setInterval(1000);
    m_lines.clear();
    m_refresh = [this] { m_conns->ListActiveConnections(); };
    orv::DialupMonitor::Hooks hooks;
    hooks.report = [this](const QString& text, int32_t colour) {
      m_lines << (colour == orv::kRed ? QStringLiteral("red: ") : QString()) + text;
    };
    hooks.reportEmptyLine = [this] { m_lines << QString(); };
    hooks.refreshList = [this] { m_refresh(); };
    hooks.isAllowed = [](const QByteArray&) { return false; };
    m_monitor = std::make_unique<orv::DialupMonitor>(*m_conns, *m_timer, std::move(hooks));
  }
  void cleanup() {
    m_monitor.reset();
    m_ppp.reset();
  }

  void connectionsOfTheSwitchOnAreNotJudgedWhileNothingChanges() {
    orvtest::StubPppd& dialer = m_ppp->startDialer("isp");
    m_monitor->setActive(true);
    m_monitor->tick();
    QVERIFY(m_lines.isEmpty());
    QVERIFY(!dialer.hasEnded());
  }

  void intervalOfZeroOrBelowStopsTheTicks() {
    m_monitor->setActive(true);
    for (const int interval : {0, -1}) {
      m_monitor->setInterval(interval);
      QVERIFY(!m_timer->isActive());
      m_monitor->tick();
      QVERIFY(!m_timer->isActive());
    }
    m_monitor->setInterval(20);
    QVERIFY(m_timer->isActive());
  }

  void aFailureInATickIsSaidOnceAndTheGuardRunsOn() {
    m_monitor->setActive(true);
    m_ppp->startDialer("isp");
    m_refresh = [] { throw orv::OrvError(QStringLiteral("Liste kaputt")); };
    m_monitor->tick();
    m_monitor->tick();
    QCOMPARE(m_lines, QStringList{QStringLiteral("red: Fehler bei der DFÜ Netzwerküberwachung: "
                                                 "Liste kaputt. Die Überwachung läuft weiter.")});
    QVERIFY(m_timer->isActive());
    m_refresh = [this] { m_conns->ListActiveConnections(); };
    m_monitor->tick();
    QVERIFY(
        m_lines.contains(QStringLiteral("red: isp ist nicht erlaubt und wurde deshalb "
                                        "blockiert!")));
  }

  // A box open during a refresh runs the timer's events: the tick it starts does nothing.
  void aTickInsideATickDoesNothing() {
    m_monitor->setActive(true);
    m_ppp->startDialer("isp");
    int refreshes = 0;
    m_refresh = [&] {
      ++refreshes;
      m_monitor->tick();
      m_conns->ListActiveConnections();
    };
    m_monitor->tick();
    QCOMPARE(refreshes, 1);
    QVERIFY(m_timer->isActive());
  }
};

QTEST_GUILESS_MAIN(DialupMonitorTest)
#include "dialup_monitor_test.moc"
