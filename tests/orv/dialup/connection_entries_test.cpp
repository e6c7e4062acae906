// The connection list's rows and actions over the real dial-up service, with a stub pppd.
#include <QTest>

#include "dialup/connection_entries.h"
#include "dialup/ras_connector.h"
#include "support/ppp_fixture.h"

using orv::TKnownConnection;
using orvtest::PppFixture;

Q_DECLARE_METATYPE(TKnownConnection)

class ConnectionEntriesTest : public QObject {
  Q_OBJECT

  std::unique_ptr<PppFixture> m_ppp;

  std::vector<orv::ConnectionRow> rows(const orv::KnownConnectionList& marks = {}) {
    orv::TRasConnector conns;
    conns.ListEntries();
    conns.ListActiveConnections();
    return orv::buildConnectionRows(conns, marks);
  }

 private slots:
  void init() { m_ppp = std::make_unique<PppFixture>(); }
  void cleanup() { m_ppp.reset(); }

  void eachRowShowsItsOwnEntry() {
    m_ppp->writeDialPeer("a-isp", "0190111", "alice");
    m_ppp->writeSecrets("pap-secrets", "alice * geheim\n");
    m_ppp->writeDialPeer("B-intl", "+4930123", "bob");
    m_ppp->writePeer("c-huge", std::string(2 << 20, '#'));  // listed, but cannot be read
    m_ppp->startDialer("a-isp");
    m_ppp->startDialer("B-INTL");  // differs from an entry in case only
    const auto built = rows();
    QCOMPARE(built.size(), std::size_t{3});
    const QList<QByteArrayList> expected{{"a-isp", "+0 () 0190111", "alice", "geheim", "1"},
                                         {"B-intl", "+49 () 30123", "bob", "", "0"},
                                         {"c-huge", "", "", "", "0"}};
    for (std::size_t i = 0; i < built.size(); ++i) {
      const orv::ConnectionRow& row = built[i];
      QCOMPARE((QByteArrayList{row.entryName, row.details.phoneText, row.details.userName,
                               row.details.password, QByteArray::number(row.connected)}),
               expected[static_cast<int>(i)]);
    }
  }

  void theLastMatchingMarkDecides_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QList<TKnownConnection>>("marks");
    QTest::addColumn<bool>("allowed");
    const QByteArray phone = "+0 () 0190111";
    QTest::newRow("no mark") << QByteArray("isp") << QList<TKnownConnection>{} << false;
    QTest::newRow("later one off")
        << QByteArray("isp") << QList<TKnownConnection>{{true, "isp", phone}, {false, "isp", phone}}
        << false;
    QTest::newRow("later one on") << QByteArray("isp")
                                  << QList<TKnownConnection>{{false, "isp", phone},
                                                             {true, "isp", phone}}
                                  << true;
    QTest::newRow("number changed since")
        << QByteArray("isp") << QList<TKnownConnection>{{true, "isp", "+0 () 0190999"}} << false;
    QTest::newRow("name in other case")
        << QByteArray("isp") << QList<TKnownConnection>{{true, "ISP", phone}} << false;
  }
  void theLastMatchingMarkDecides() {
    QFETCH(QByteArray, entry);
    QFETCH(QList<TKnownConnection>, marks);
    m_ppp->writeDialPeer(entry.toStdString(), "0190111");
    const auto built = rows(orv::KnownConnectionList(marks.begin(), marks.end()));
    QCOMPARE(built.size(), std::size_t{1});
    QTEST(built[0].allowed, "allowed");
  }

  void dialUsesTheEntrysOwnLogin() {
    m_ppp->writeDialPeer("a", "0190111", "alice");
    m_ppp->writeDialPeer("b", "0190222", "bob");
    orv::TRasConnector conns;
    orv::readEntryDetails(conns, "a");
    orv::dialEntry(conns, "b");
    QCOMPARE(conns.UserName, QByteArray("bob"));
    QVERIFY(PppFixture::waitFor([&] { return m_ppp->runningStubs().size() == 1; }));
  }
};

QTEST_GUILESS_MAIN(ConnectionEntriesTest)
#include "connection_entries_test.moc"
