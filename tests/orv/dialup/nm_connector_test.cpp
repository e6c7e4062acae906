// The connector over the real dial-up service with NetworkManager (python3-dbusmock on a
// private bus) beside a private pppd world. The dial-up monitor's steps are taken here by
// hand, through the connector, as the monitor's tick takes them.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "dialup/ras_connector.h"
#include "support/nm_mock.h"
#include "support/ppp_fixture.h"

using orvtest::NetworkManagerMock;
using orvtest::NmSettings;

namespace {

constexpr int kWaitMs = 3000;  // what the main window gives a hang-up

// Answers the service's entry dialog once it is open, then presses `button`; the answer is
// given up when the returned timer goes.
template <typename Inspect>
std::unique_ptr<QTimer> answerDialog(const char* button, Inspect inspect) {
  auto poll = std::make_unique<QTimer>();
  QObject::connect(poll.get(), &QTimer::timeout, [=, timer = poll.get()] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->objectName() != "DFUEintrag") return;
    timer->stop();
    inspect(*dialog);
    dialog->findChild<QPushButton*>(button)->click();
  });
  poll->start(10);
  return poll;
}

struct Listed {
  QByteArray name;
  orv::TConnectionRecord record{};
};

// A fresh snapshot's records by handle. Other pppd on the machine (another test run's) may
// be listed beside the connections a test makes, so a test looks for its own.
QMap<RasHandle, Listed> snapshot(orv::TRasConnector& conns) {
  conns.ListActiveConnections();
  QMap<RasHandle, Listed> records;
  for (int i = 0; i < conns.ActiveConnections.Count(); ++i)
    records.insert(conns.ActiveConnections.HandleAt(i),
                   {conns.ActiveConnections.EntryNameAt(i), conns.ActiveConnections.At(i)});
  return records;
}

// The handle of the one connection of NetworkManager's among `records`, 0 without one.
RasHandle networkManagers(const QMap<RasHandle, Listed>& records) {
  return !records.isEmpty() && (records.lastKey() & 0x80000000U) ? records.lastKey() : 0;
}

}  // namespace

class NmConnectorTest : public QObject {
  Q_OBJECT

  std::unique_ptr<orvtest::PppFixture> m_ppp;

 private slots:
  void init() {
    m_ppp = std::make_unique<orvtest::PppFixture>();
    m_ppp->writeDialPeer("isp", "0190111", "alice");
  }
  void cleanup() { m_ppp.reset(); }

  void profilesOfTheDialUpKindsAreListedBesidePeers() {
    NetworkManagerMock nm;
    nm.answerSecrets(nm.addProfile(NetworkManagerMock::gsm("Mobil", "+4917212345", "web")),
                     "geheim");
    nm.addProfile(NetworkManagerMock::gsm("Mobil", "*99#", "zweit"));  // a second of that name
    nm.addProfile({{"connection", {{"id", "DSL"}, {"type", "pppoe"}}}, {"pppoe", {}}});
    const QString phone = nm.addProfile({{"connection", {{"id", "Handy"}, {"type", "bluetooth"}}},
                                         {"bluetooth", {{"type", "dun"}}},
                                         {"gsm", {{"number", "*99***1#"}, {"username", "u"}}}});
    nm.addMethod(phone, NetworkManagerMock::kProfileInterface, "GetSecrets", "s", "a{sa{sv}}",
                 NetworkManagerMock::kRefuse);
    nm.addProfile({{"connection", {{"id", "PAN"}, {"type", "bluetooth"}}},
                   {"bluetooth", {{"type", "panu"}}}});
    nm.addProfile({{"connection", {{"id", "Zuhause"}, {"type", "802-11-wireless"}}}});

    orv::TRasConnector conns;
    QCOMPARE(conns.ListEntries(), 0u);
    QCOMPARE(conns.EntryNames, (QList<QByteArray>{"DSL", "Handy", "isp", "Mobil", "Mobil"}));

    // The first profile of a name answers for it; a password only where the secret is given.
    const struct {
      const char* entry;
      const char* user;
      const char* password;
      uint country;
      const char* local;
    } expected[] = {{"Mobil", "web", "geheim", 49, "17212345"}, {"Handy", "u", "", 0, "*99***1#"}};
    for (const auto& e : expected) {
      conns.EntryName = e.entry;
      QCOMPARE(conns.ReadDialParams(), 0u);
      QCOMPARE(conns.ReadEntryProperties(), 0u);
      QCOMPARE(conns.UserName, QByteArray(e.user));
      QCOMPARE(conns.Password, QByteArray(e.password));
      QCOMPARE(conns.CountryID, e.country);
      QCOMPARE(conns.LocalPhoneNumber, QByteArray(e.local));
    }
  }

  void activeGsmConnectionIsReportedAndHungUpAsTheMonitorDoes() {
    NetworkManagerMock nm;
    const QString mobile = nm.addProfile(NetworkManagerMock::gsm("Mobil", "0190222", "web"));
    orvtest::StubPppd& isp = m_ppp->startDialer("isp");
    orv::TRasConnector conns;
    nm.activate(mobile);

    const auto first = snapshot(conns);
    QCOMPARE(first.value(isp.handle()).name, QByteArray("isp"));
    const RasHandle handle = networkManagers(first);
    QCOMPARE(first.value(handle).name, QByteArray("Mobil"));
    // After pppd's; and the next look gives the same record, so a tick sees no change.
    QCOMPARE(conns.ActiveConnections.HandleAt(conns.ActiveConnections.Count() - 1), handle);
    QVERIFY(snapshot(conns).value(handle).record == first.value(handle).record);

    conns.EntryName = "Mobil";
    QCOMPARE(conns.ReadEntryProperties(), 0u);
    QCOMPARE(conns.LocalPhoneNumber, QByteArray("0190222"));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(conns.HangUp(handle, kWaitMs), 0u);
    QVERIFY(timer.elapsed() < kWaitMs);
    QCOMPARE(networkManagers(snapshot(conns)), 0u);
    QCOMPARE(nm.activeCount(), 0);
  }

  // NetworkManager accepts the deactivation but the line stays: its device is disconnected.
  void stuckDeactivationIsEndedWithinTheWait() {
    NetworkManagerMock nm;
    nm.addMethod(NetworkManagerMock::kManager, NetworkManagerMock::kManagerInterface,
                 "DeactivateConnection", "o", "", "");
    nm.addMethod(nm.modem(), "org.freedesktop.NetworkManager.Device", "Disconnect", "", "",
                 "objects['/org/freedesktop/NetworkManager'].RemoveActiveConnection(self.path, "
                 "self.Get('org.freedesktop.NetworkManager.Device', 'ActiveConnection'))");
    nm.activate(nm.addProfile(NetworkManagerMock::gsm("Mobil", "0190222", "web")));
    orv::TRasConnector conns;
    const RasHandle handle = networkManagers(snapshot(conns));
    QVERIFY(handle);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(conns.HangUp(handle, kWaitMs), 0u);
    QVERIFY2(timer.elapsed() > 2000 && timer.elapsed() < kWaitMs,
             QByteArray::number(timer.elapsed()).constData());
    QCOMPARE(nm.activeCount(), 0);
  }

  void refusedDeactivationIsReportedAndTheConnectionStays() {
    NetworkManagerMock nm;
    nm.addMethod(NetworkManagerMock::kManager, NetworkManagerMock::kManagerInterface,
                 "DeactivateConnection", "o", "", NetworkManagerMock::kRefuse);
    nm.activate(nm.addProfile(NetworkManagerMock::gsm("Mobil", "0190222", "web")));
    orv::TRasConnector conns;
    const RasHandle handle = networkManagers(snapshot(conns));
    QVERIFY(handle);
    QCOMPARE(conns.HangUp(handle, kWaitMs), uint32_t{RAS_ERROR_NM_NOT_PERMITTED});
    QVERIFY2(conns.ResultText.contains("Berechtigung"), conns.ResultText.constData());
    QCOMPARE(networkManagers(snapshot(conns)), handle);
    QCOMPARE(nm.activeCount(), 1);
  }

  void withoutNetworkManagerPppdWorksAlone_data() {
    QTest::addColumn<bool>("busRuns");
    QTest::newRow("bus without NetworkManager") << true;
    QTest::newRow("no bus at all") << false;
  }
  void withoutNetworkManagerPppdWorksAlone() {
    QFETCH(bool, busRuns);
    std::unique_ptr<NetworkManagerMock> bus;
    if (busRuns) bus = std::make_unique<NetworkManagerMock>(false);
    orvtest::StubPppd& isp = m_ppp->startDialer("isp");
    orv::TRasConnector conns;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(conns.ListEntries(), 0u);
    QCOMPARE(conns.EntryNames, QList<QByteArray>{"isp"});
    const auto records = snapshot(conns);
    QCOMPARE(conns.ResultCode, 0u);
    QCOMPARE(records.value(isp.handle()).name, QByteArray("isp"));
    QCOMPARE(networkManagers(records), 0u);
    conns.EntryName = "Mobil";
    QCOMPARE(conns.ReadDialParams(), 623u);
    RasHandle handle = 0;
    QCOMPARE(conns.Dial(handle), 623u);
    QCOMPARE(conns.HangUp(0x80000001U, kWaitMs), 6u);
    QVERIFY(timer.elapsed() < 1000);
  }

  void dialActivatesAProfileOnlyOnce() {
    NetworkManagerMock nm;
    nm.addProfile(NetworkManagerMock::gsm("Mobil", "*99#", "web"));
    orv::TRasConnector conns;
    conns.EntryName = "Mobil";
    RasHandle first = 0;
    RasHandle second = 0;
    QCOMPARE(conns.Dial(first), 0u);
    QVERIFY(first & 0x80000000U);
    QCOMPARE(conns.Dial(second), 0u);
    QCOMPARE(second, first);
    QCOMPARE(nm.activeCount(), 1);
  }

  void removeEntryDeletesTheProfileWhereAllowed_data() {
    QTest::addColumn<bool>("allowed");
    QTest::newRow("allowed") << true;
    QTest::newRow("refused by polkit") << false;
  }
  void removeEntryDeletesTheProfileWhereAllowed() {
    QFETCH(bool, allowed);
    NetworkManagerMock nm;
    const QString mobile = nm.addProfile(NetworkManagerMock::gsm("Mobil", "*99#", "web"));
    if (!allowed)
      nm.addMethod(mobile, NetworkManagerMock::kProfileInterface, "Delete", "", "",
                   NetworkManagerMock::kRefuse);
    orv::TRasConnector conns;
    conns.EntryName = "Mobil";
    QCOMPARE(conns.RemoveEntry(), allowed ? 0u : uint32_t{RAS_ERROR_NM_NOT_PERMITTED});
    conns.ListEntries();
    QCOMPARE(conns.EntryNames.contains("Mobil"), !allowed);
  }

  void editOpensTheDesktopsEditorAndWaitsForIt_data() {
    QTest::addColumn<int>("exitStatus");
    QTest::newRow("editor closed") << 0;
    QTest::newRow("editor failed: the service's dialog instead") << 1;
  }
  void editOpensTheDesktopsEditorAndWaitsForIt() {
    QFETCH(int, exitStatus);
    NetworkManagerMock nm;
    NmSettings mobile = NetworkManagerMock::gsm("Mobil", "*99#", "web");
    mobile["connection"]["uuid"] = "0d6c1b2e-3f4a-4b5c-8d9e-0a1b2c3d4e5f";
    nm.addProfile(mobile);
    const std::string said = m_ppp->root() + "/editor-args";
    const std::string editor = m_ppp->root() + "/nm-connection-editor";
    std::ofstream(editor) << "#!/bin/sh\nsleep 0.3\necho \"$@\" > " << said << "\nexit "
                          << exitStatus << "\n";
    std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
    qputenv("ORV_NM_EDITOR", QByteArray::fromStdString(editor));
    bool ticked = false;
    QTimer::singleShot(50, [&] { ticked = true; });  // the window's events go on meanwhile
    bool ownDialog = false;
    const auto answer = answerDialog("Abbrechen", [&](QDialog&) { ownDialog = true; });
    orv::TRasConnector conns;
    conns.EntryName = "Mobil";
    QCOMPARE(conns.EditEntry(0), 0u);
    qunsetenv("ORV_NM_EDITOR");
    QVERIFY(ticked);
    QCOMPARE(ownDialog, exitStatus != 0);
    std::string args;
    std::getline(std::ifstream(said), args);
    QCOMPARE(args, std::string("--edit 0d6c1b2e-3f4a-4b5c-8d9e-0a1b2c3d4e5f"));
  }

  void ownDialogChangesTheProfileOnlyWhereAllowed_data() {
    QTest::addColumn<QString>("permission");
    QTest::newRow("allowed") << "yes";
    QTest::newRow("refused") << "no";
  }
  void ownDialogChangesTheProfileOnlyWhereAllowed() {
    QFETCH(QString, permission);
    NetworkManagerMock nm;
    const QString mobile = nm.addProfile(NetworkManagerMock::gsm("Mobil", "*99#", "web"));
    nm.addMethod(
        NetworkManagerMock::kManager, NetworkManagerMock::kManagerInterface, "GetPermissions", "",
        "a{ss}",
        "ret = {'org.freedesktop.NetworkManager.settings.modify.system': '" + permission + "'}");
    orv::TRasConnector conns;
    conns.EntryName = "Mobil";
    bool readOnly = false;
    QString note;
    const auto answer = answerDialog("OK", [&](QDialog& dialog) {
      auto* number = dialog.findChild<QLineEdit*>("Rufnummer");
      readOnly = number->isReadOnly();
      note = dialog.findChild<QLabel*>("Hinweis")->text();
      if (!readOnly) number->setText("*99***2#");
    });
    QCOMPARE(conns.EditEntry(0), 0u);
    const NmSettings after = nm.settingsOf(mobile);
    QCOMPARE(readOnly, permission == "no");
    QCOMPARE(note.contains(QStringLiteral("erlaubt Ihnen nicht")), permission == "no");
    QCOMPARE(after["gsm"]["number"].toString(), permission == "no" ? "*99#" : "*99***2#");
    QCOMPARE(after["gsm"]["apn"].toString(), QStringLiteral("internet"));
  }
};

QTEST_MAIN(NmConnectorTest)
#include "nm_connector_test.moc"
