// The connector over the real dial-up service, in a private pppd world with a stub pppd.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "dialup/ras_connector.h"
#include "dialup/ras_library.h"
#include "support/as_ordinary_user.h"
#include "support/ppp_fixture.h"

using orvtest::PppFixture;

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

class RasConnectorTest : public QObject {
  Q_OBJECT

  std::unique_ptr<PppFixture> m_ppp;

 private slots:
  void init() { m_ppp = std::make_unique<PppFixture>(); }
  void cleanup() { m_ppp.reset(); }

  // Sorted without regard to case; leftovers, hidden names, folders, fifos and dangling links
  // are no entries; a file too large to be a peer is listed but not read.
  void entriesAreSortedAndOddFilesPassedOver() {
    for (const char* name : {"b", "A", "c", "x~", ".hidden", "-T", "a.dpkg-old"})
      m_ppp->writePeer(name, "/dev/ttyS0\n");
    m_ppp->writePeer("huge", std::string(2 << 20, '#'));
    ::mkdir((m_ppp->peersDir() + "/folder").c_str(), 0755);
    ::mkfifo((m_ppp->peersDir() + "/fifo").c_str(), 0644);
    ::symlink("/nonexistent", (m_ppp->peersDir() + "/dangling").c_str());
    ::symlink((m_ppp->peersDir() + "/c").c_str(), (m_ppp->peersDir() + "/Linked").c_str());
    orv::TRasConnector conns;
    QCOMPARE(conns.ListEntries(), 0u);
    QCOMPARE(conns.EntryNames, (QList<QByteArray>{"A", "b", "c", "huge", "Linked"}));
    QCOMPARE(orv::TRasConnector::EntryTableCount(), 5);
    QCOMPARE(orv::TRasConnector::EntryTableAt(4), QByteArray("Linked"));
    conns.EntryName = "huge";
    QCOMPARE(conns.ReadEntryProperties(), 623u);
  }

  void unknownEntryIsReportedInGerman() {
    orv::TRasConnector conns;
    conns.EntryName = "nirgends";
    QCOMPARE(conns.ReadEntryProperties(), 623u);
    QCOMPARE(conns.ResultText, QByteArray("Der Telefonbucheintrag wurde nicht gefunden"));
    RasHandle handle = 1;
    QCOMPARE(conns.Dial(handle), 623u);
    QCOMPARE(handle, 0u);
  }

  // Files a stranger wrote: nothing crashes, nothing runs, long values are cut to their field.
  void hostilePeerFiles_data() {
    QTest::addColumn<QByteArray>("peer");
    QTest::addColumn<int>("userLength");
    QTest::addColumn<int>("numberLength");
    const QByteArray chat = "connect \"chat -v '' ATZ OK ATDT";
    QTest::newRow("long values") << "user " + QByteArray(300, 'u') + "\n" + chat +
                                        QByteArray(200, '9') + "\"\n"
                                 << 256 << 128;
    // The unclosed quote runs to the end of the file, as in pppd.
    QTest::newRow("long line, no quotes end") << "user \"" + QByteArray(100000, 'x') << 256 << 0;
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 + 3);
    QTest::newRow("binary") << binary << -1 << -1;
    // A zero byte ends a record's text.
    QTest::newRow("zero bytes") << QByteArray("user a\0b\nconnect \"chat '' ATDT1\0 2\"", 35) << 1
                                << 1;
    QTest::newRow("shell in the connect line")
        << QByteArray("connect \"chat '' ATDT1 ; touch /tmp/orv-pwned\"\n") << 0 << 0;
  }
  void hostilePeerFiles() {
    QFETCH(QByteArray, peer);
    QFETCH(int, userLength);
    QFETCH(int, numberLength);
    m_ppp->writePeer("evil", peer.toStdString());
    orv::TRasConnector conns;
    QCOMPARE(conns.ListEntries(), 0u);
    QCOMPARE(conns.EntryNames, QList<QByteArray>{"evil"});
    conns.EntryName = "evil";
    QCOMPARE(conns.ReadDialParams(), 0u);
    QCOMPARE(conns.ReadEntryProperties(), 0u);
    if (userLength >= 0) QCOMPARE(conns.UserName.size(), userLength);
    if (numberLength >= 0) QCOMPARE(conns.LocalPhoneNumber.size(), numberLength);
    QVERIFY(::access("/tmp/orv-pwned", F_OK) != 0);
  }

  void dialStartedOutsideIsListedInStartOrder() {
    m_ppp->writeDialPeer("isp", "0190111");
    m_ppp->writeDialPeer("other", "0190222");
    orv::TRasConnector conns;
    orvtest::StubPppd& isp = m_ppp->startDialer("isp");
    orvtest::StubPppd& other = m_ppp->startDialer("other");
    QCOMPARE(conns.ListActiveConnections(), 0u);
    QVERIFY(conns.ConnectionsChanged);
    conns.ListActiveConnections();
    QVERIFY(!conns.ConnectionsChanged);  // the same records again
    QCOMPARE(conns.ActiveConnections.Count(), 2);
    QCOMPARE(conns.ActiveConnections.EntryNameAt(0), QByteArray("isp"));
    QCOMPARE(conns.ActiveConnections.HandleAt(0), isp.handle());
    QCOMPARE(conns.ActiveConnections.EntryNameAt(1), QByteArray("other"));
    QCOMPARE(conns.ActiveConnections.HandleAt(1), other.handle());
  }

  void dialStartsPppdInItsOwnSessionAndHangUpEndsIt() {
    m_ppp->writeDialPeer("isp", "0190111");
    orv::TRasConnector conns;
    conns.EntryName = "isp";
    RasHandle handle = 0;
    QCOMPARE(conns.Dial(handle), 0u);
    QVERIFY(handle != 0);
    QCOMPARE(::getsid(static_cast<pid_t>(handle)), static_cast<pid_t>(handle));
    QTRY_COMPARE_WITH_TIMEOUT(orv::TRasConnector::DialState(), uint32_t{RAS_STATE_CONNECTED},
                              20000);
    conns.ListActiveConnections();
    QCOMPARE(conns.ActiveConnections.Count(), 1);
    QCOMPARE(conns.ActiveConnections.HandleAt(0), handle);

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(conns.HangUp(handle, 3000), 0u);
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(m_ppp->runningStubs().empty());
  }

  void hangUpOfAPppdIgnoringTermEndsItWithinTheWait() {
    m_ppp->writeDialPeer("stubborn", "0190111", "", "ignore-term");
    orvtest::StubPppd& dialer = m_ppp->startDialer("stubborn");
    orv::TRasConnector conns;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(conns.HangUp(dialer.handle(), 3000), 0u);
    QVERIFY2(timer.elapsed() > 2000 && timer.elapsed() < 3300,
             QByteArray::number(timer.elapsed()).constData());
    QVERIFY(dialer.hasEnded());
    QVERIFY(dialer.waitForEnd(1000));
    QVERIFY(dialer.killedBy(SIGKILL));
  }

  void hangUpOfHandleZeroAnswersAtOnce() {
    orv::TRasConnector conns;
    QCOMPARE(conns.HangUp(0, 3000), 6u);
  }

  void dialOutsideGroupDipIsRefusedClearly() {
    if (::geteuid() != 0) QSKIP("needs root to give the stub pppd's rights to root alone");
    m_ppp->writeDialPeer("isp", "0190111");
    // As Debian installs pppd: runnable by root and group dip only.
    const std::string pppd = m_ppp->root() + "/pppd";
    std::filesystem::copy_file(ORV_STUB_PPPD, pppd);
    ::chmod(pppd.c_str(), 0750);
    ::setenv("ORV_PPPD", pppd.c_str(), 1);
    const auto outcome = runAsOrdinaryUser(m_ppp->root(), [&] {
      orv::TRasConnector conns;
      conns.EntryName = "isp";
      RasHandle handle = 0;
      return conns.Dial(handle) == RAS_ERROR_PPPD_NOT_PERMITTED && handle == 0 &&
             conns.ResultText.contains("Gruppe dip");
    });
    QCOMPARE(outcome, OrdinaryUserRun::Held);
  }

  void editDialogChangesOnlyWhatWasEdited() {
    m_ppp->writeDialPeer("isp", "0190111", "alice");
    m_ppp->writeSecrets("pap-secrets", "# keep me\nalice * old\n");
    const std::string peerBefore = readFile(m_ppp->peersDir() + "/isp");
    QWidget window;
    window.show();
    orv::TRasConnector conns;
    conns.EntryName = "isp";
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog && dialog->objectName() == "DFUEintrag");
      seen = true;
      // A monitor tick inside the dialog's event loop points the connector elsewhere.
      conns.EntryName = "other";
      auto* number = dialog->findChild<QLineEdit*>("Rufnummer");
      QCOMPARE(number->text(), QStringLiteral("0190111"));
      QCOMPARE(dialog->findChild<QLineEdit*>("Kennwort")->text(), QStringLiteral("old"));
      number->setText("0800123");
      dialog->findChild<QLineEdit*>("Kennwort")->setText("neu");
      dialog->findChild<QPushButton*>("OK")->click();
    });
    QCOMPARE(conns.EditEntry(window.winId()), 0u);
    QVERIFY(seen);
    QCOMPARE(readFile(m_ppp->peersDir() + "/isp"), peerBefore);
    QCOMPARE(readFile(m_ppp->chatDir() + "/isp"),
             std::string("ABORT BUSY\n'' ATZ\nOK ATDT0800123\nCONNECT ''\n"));
    QCOMPARE(readFile(m_ppp->pppDir() + "/pap-secrets"), std::string("# keep me\nalice * neu\n"));
  }

  void editDialogShowsWhatItCannotWriteReadOnly() {
    orvtest::TempDir elsewhere;
    elsewhere.write("chat", "'' ATZ OK ATDT0190111\n");
    m_ppp->writePeer("isp", "connect \"chat -f " + elsewhere.file("chat") + "\"\n");
    orv::TRasConnector conns;
    conns.EntryName = "isp";
    bool readOnly = false;
    QString note;
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      readOnly = dialog->findChild<QLineEdit*>("Rufnummer")->isReadOnly();
      note = dialog->findChild<QLabel*>("Hinweis")->text();
      dialog->findChild<QPushButton*>("Abbrechen")->click();
    });
    QCOMPARE(conns.EditEntry(0), 0u);
    QVERIFY(readOnly);
    QVERIFY2(note.contains(QStringLiteral("außerhalb")), qPrintable(note));
  }

  void removeEntryDeletesThePeerButNotItsChatScript() {
    m_ppp->writeDialPeer("isp", "0190111");
    orv::TRasConnector conns;
    conns.EntryName = "isp";
    QCOMPARE(conns.RemoveEntry(), 0u);
    QVERIFY(conns.EntryName.isEmpty());
    QVERIFY(::access((m_ppp->peersDir() + "/isp").c_str(), F_OK) != 0);
    QVERIFY(::access((m_ppp->chatDir() + "/isp").c_str(), F_OK) == 0);
    conns.EntryName = "isp";
    QCOMPARE(conns.RemoveEntry(), 623u);
  }

  void everyCodeOfTheServiceHasAGermanText() {
    orv::TRasConnector conns;
    for (const uint32_t code :
         {5u,     6u,     8u,     87u,    603u,   621u,   623u,   632u,   668u,
          30001u, 30002u, 30003u, 30004u, 30005u, 30006u, 30007u, 30008u, 30009u,
          30010u, 30011u, 30012u, 30100u, 30108u, 30119u, 30120u}) {
      const QByteArray text = conns.DescribeError(static_cast<int32_t>(code));
      QVERIFY2(!text.isEmpty() && text != conns.DescribeError(0),
               qPrintable(QString::number(code)));
    }
    // Single bytes, as every text of the service.
    QVERIFY(
        conns.DescribeError(30002).contains("d\xFC"
                                            "rfen"));
  }
};

QTEST_MAIN(RasConnectorTest)
#include "ras_connector_test.moc"
