// The connection list's rows and actions, and the dial-up monitor's own rules, over the real
// dial-up service with a stub pppd.
#include <QTest>
#include <QTimer>

#include "dialup/connection_entries.h"
#include "dialup/dialup_monitor.h"
#include "dialup/ras_connector.h"
#include "shell/orv_error.h"
#include "support/ppp_fixture.h"

class DialupGuardTest : public QObject {
  Q_OBJECT

  std::unique_ptr<orvtest::PppFixture> m_ppp;
  orv::TRasConnector m_conns;

  std::vector<orv::ConnectionRow> rows(const orv::KnownConnectionList& marks = {}) {
    m_conns.ListEntries();
    m_conns.ListActiveConnections();
    return orv::buildConnectionRows(m_conns, marks);
  }

 private slots:
  void init() {
    m_ppp = std::make_unique<orvtest::PppFixture>();
    m_ppp->writeDialPeer("isp", "0190111", "alice");
  }
  void cleanup() { m_ppp.reset(); }

  void eachRowShowsItsOwnEntry() {
    m_ppp->writeSecrets("pap-secrets", "alice * geheim\n");
    m_ppp->writeDialPeer("Intl", "+4930123", "bob");
    m_ppp->writePeer("later", std::string(2 << 20, '#'));  // listed, but cannot be read
    m_ppp->startDialer("isp");
    m_ppp->startDialer("INTL");  // differs from an entry in case only
    QList<QByteArrayList> shown;
    for (const orv::ConnectionRow& r : rows())
      shown << QByteArrayList{r.entryName, r.details.phoneText, r.details.userName,
                              r.details.password, QByteArray::number(r.connected)};
    QCOMPARE(shown, (QList<QByteArrayList>{{"Intl", "+49 () 30123", "bob", "", "0"},
                                           {"isp", "+0 () 0190111", "alice", "geheim", "1"},
                                           {"later", "", "", "", "0"}}));
  }

  void theLastMatchingMarkDecides() {
    const QByteArray phone = "+0 () 0190111";
    for (const bool last : {false, true})
      QCOMPARE(rows({{!last, "isp", phone}, {last, "isp", phone}, {true, "ISP", phone}})[0].allowed,
               last);
  }

  void dialUsesTheEntrysOwnLogin() {
    m_ppp->writeDialPeer("other", "0190222", "bob");
    orv::readEntryDetails(m_conns, "other");
    orv::dialEntry(m_conns, "isp");
    QCOMPARE(m_conns.UserName, QByteArray("alice"));
  }

  // Connections of the moment of switching on wait for a change; a failure inside a tick is
  // said once and the ticks go on; a tick started inside another (a box open during the
  // refresh runs the timer's events) does nothing.
  void monitorJudgesEachChangeOnceAndRunsOn() {
    QTimer timer;
    timer.setInterval(1000);
    QStringList lines;
    int refreshes = 0;
    std::function<void()> refresh;
    orv::DialupMonitor::Hooks hooks;
    hooks.report = [&](const QString& text, int32_t) { lines << text; };
    hooks.reportEmptyLine = [] {};
    hooks.refreshList = [&] {
      ++refreshes;
      refresh();
    };
    hooks.isAllowed = [](const QByteArray&) { return false; };
    orv::DialupMonitor monitor(m_conns, timer, hooks);
    const orvtest::StubPppd& isp = m_ppp->startDialer("isp");
    monitor.setActive(true);
    monitor.tick();
    QCOMPARE(refreshes, 0);

    m_ppp->writeDialPeer("other", "0190222");
    m_ppp->startDialer("other");
    refresh = [] { throw orv::OrvError("Liste kaputt"); };
    monitor.tick();
    monitor.tick();
    QCOMPARE(lines, QStringList{"Fehler bei der DFÜ Netzwerküberwachung: Liste kaputt. Die "
                                "Überwachung läuft weiter."});
    refresh = [&] {
      monitor.tick();
      m_conns.ListActiveConnections();
    };
    monitor.tick();
    QCOMPARE(refreshes, 3);
    QVERIFY(lines.contains("other ist nicht erlaubt und wurde deshalb blockiert!"));
    QVERIFY(isp.hasEnded());  // judged with the change
    QVERIFY(timer.isActive());
  }
};

QTEST_GUILESS_MAIN(DialupGuardTest)
#include "dialup_guard_test.moc"
