// The connector, and once the real window, over the real dial-up service with NetworkManager
// (python3-dbusmock on a private bus) beside a private pppd world.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "dialup/connection_entries.h"
#include "dialup/ras_connector.h"
#include "shell/tform1.h"
#include "support/nm_mock.h"
#include "support/ppp_fixture.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"

using orvtest::NetworkManagerMock;

namespace {

constexpr int kWaitMs = 3000;  // what the main window gives a hang-up

// The handle and record of NetworkManager's one connection in a fresh snapshot (0 without).
// Other pppd on the machine (another test run's) may be listed before it.
std::pair<RasHandle, orv::TConnectionRecord> networkManagers(orv::TRasConnector& conns) {
  conns.ListActiveConnections();
  const int last = conns.ActiveConnections.Count() - 1;
  if (last < 0 || !(conns.ActiveConnections.HandleAt(last) & 0x80000000U)) return {0, {}};
  return {conns.ActiveConnections.HandleAt(last), conns.ActiveConnections.At(last)};
}

// Answers the service's entry dialog once it shows: `inspect`, then `button`.
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
    orv::TRasConnector conns;
    QCOMPARE(conns.ListEntries(), 0u);
    QCOMPARE(conns.EntryNames, (QList<QByteArray>{"DSL", "isp", "Mobil", "Mobil"}));

    // The first profile of a name answers; a password only where GetSecrets gives one.
    conns.EntryName = "Mobil";
    QCOMPARE(conns.ReadDialParams() + conns.ReadEntryProperties(), 0u);
    QCOMPARE(conns.UserName + "/" + conns.Password, QByteArray("web/geheim"));
    QCOMPARE(conns.CountryID, 49u);
    QCOMPARE(conns.LocalPhoneNumber, QByteArray("17212345"));
    conns.EntryName = "DSL";
    QCOMPARE(conns.ReadDialParams(), 0u);
    QCOMPARE(conns.Password, QByteArray());
  }

  // A mark keeps 255 bytes of a name; a profile named with the 256 the service allows keeps its
  // tick.
  void aNameLongerThanAMarkKeepsItsTick() {
    NetworkManagerMock nm;
    const QByteArray name(256, 'm');
    nm.addProfile(NetworkManagerMock::gsm(QString::fromLatin1(name), "*99#", "web"));
    orv::TRasConnector conns;
    conns.ListEntries();
    conns.ListActiveConnections();
    const orv::ConnectionRow row = orv::buildConnectionRows(conns, {}).back();  // after "isp"
    QCOMPARE(row.entryName, name);
    const orv::KnownConnectionList marks{orv::markOf(true, name, row.details.phoneText)};
    QVERIFY(orv::buildConnectionRows(conns, marks).back().allowed);
  }

  // End to end: the real window's monitor reports a gsm connection nobody allowed and ends it.
  void windowsMonitorHangsUpAnUnallowedGsmConnection() {
    orv::TForm1::setTrayAvailability([] { return false; });
    ScriptedDialogs::installNew();
    TempBaseDir base;
    base.copyFromData("hilfe.rtf");
    base.writeInitialSettings();
    NetworkManagerMock nm;
    const QString mobile = nm.addProfile(NetworkManagerMock::gsm("Mobil", "0190222", "web"));
    orv::TForm1 form(QStringList{base.path()});
    form.IntervallRAS->setValue(100);
    form.ScanRAS->setChecked(true);
    nm.activate(mobile);
    QTRY_COMPARE_WITH_TIMEOUT(nm.activeCount(), 0, 10000);
    const QString report = form.Logging->toPlainText();
    QVERIFY2(report.contains("Verbindung Mobil verbunden mit der Nummer +0 () 0190222 als Nutzer "
                             "web\n") &&
                 report.contains("Mobil ist nicht erlaubt und wurde deshalb blockiert!"),
             qPrintable(report));
  }

  void hangUpIsCertainOrReportedRefused_data() {
    QTest::addColumn<QString>("deactivation");
    QTest::addColumn<uint>("result");
    QTest::addColumn<int>("left");
    // A null deactivation keeps NetworkManager's own, which ends the line at once.
    QTest::newRow("ended at once") << QString() << 0u << 0;
    // NetworkManager accepts but the line stays: the device is disconnected in the wait.
    QTest::newRow("stuck") << QStringLiteral("pass") << 0u << 0;
    QTest::newRow("refused by polkit")
        << QString(NetworkManagerMock::kRefuse) << uint{RAS_ERROR_NM_NOT_PERMITTED} << 1;
  }
  void hangUpIsCertainOrReportedRefused() {
    QFETCH(QString, deactivation);
    QFETCH(uint, result);
    QFETCH(int, left);
    NetworkManagerMock nm;
    if (!deactivation.isNull())
      nm.addMethod(NetworkManagerMock::kManager, NetworkManagerMock::kManagerInterface,
                   "DeactivateConnection", "o", "", deactivation);
    nm.addMethod(nm.modem(), "org.freedesktop.NetworkManager.Device", "Disconnect", "", "",
                 "objects['/org/freedesktop/NetworkManager'].RemoveActiveConnection(self.path, "
                 "self.Get('org.freedesktop.NetworkManager.Device', 'ActiveConnection'))");
    nm.activate(nm.addProfile(NetworkManagerMock::gsm("Mobil", "0190222", "web")));
    orv::TRasConnector conns;
    const auto [handle, record] = networkManagers(conns);
    QVERIFY(handle);
    QCOMPARE(conns.ActiveConnections.EntryNameAt(conns.ActiveConnections.Count() - 1),
             QByteArray("Mobil"));
    QVERIFY(networkManagers(conns).second == record);  // the next look sees no change
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(conns.HangUp(handle, kWaitMs), result);
    const bool waited = !deactivation.isNull();  // refused or stuck: looked at to the end
    QVERIFY2(waited ? timer.elapsed() > 2000 && timer.elapsed() < kWaitMs + 500
                    : timer.elapsed() < kWaitMs,
             QByteArray::number(timer.elapsed()).constData());
    QCOMPARE(nm.activeCount(), left);
    if (left) QVERIFY2(conns.ResultText.contains("Berechtigung"), conns.ResultText.constData());
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
    orv::TRasConnector conns;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(conns.ListEntries(), 0u);
    QCOMPARE(conns.EntryNames, QList<QByteArray>{"isp"});
    QCOMPARE(networkManagers(conns).first, 0u);
    QCOMPARE(conns.ResultCode, 0u);
    conns.EntryName = "Mobil";
    QCOMPARE(conns.ReadDialParams(), 623u);
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
    QCOMPARE(conns.Dial(second), 0u);
    QVERIFY(first & 0x80000000U);
    QCOMPARE(second, first);
    QCOMPARE(nm.activeCount(), 1);
  }

  void editOpensTheDesktopsEditorAndWaitsForIt_data() {
    QTest::addColumn<int>("exitStatus");
    QTest::newRow("editor closed") << 0;
    QTest::newRow("editor failed: the service's dialog instead") << 1;
  }
  void editOpensTheDesktopsEditorAndWaitsForIt() {
    QFETCH(int, exitStatus);
    NetworkManagerMock nm;
    orvtest::NmSettings mobile = NetworkManagerMock::gsm("Mobil", "*99#", "web");
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
    QString note;
    const auto answer = answerDialog("OK", [&](QDialog& dialog) {
      auto* number = dialog.findChild<QLineEdit*>("Rufnummer");
      if (!number->isReadOnly()) number->setText("*99***2#");
      note = dialog.findChild<QLabel*>("Hinweis")->text();
    });
    QCOMPARE(conns.EditEntry(0), 0u);
    const orvtest::NmSettings after = nm.settingsOf(mobile);
    QCOMPARE(note.contains(QStringLiteral("erlaubt Ihnen nicht")), permission == "no");
    QCOMPARE(after["gsm"]["number"].toString(), permission == "no" ? "*99#" : "*99***2#");
    QCOMPARE(after["gsm"]["apn"].toString(), QStringLiteral("internet"));
  }
};

QTEST_MAIN(NmConnectorTest)
#include "nm_connector_test.moc"
