// The page "DFÜ Netzwerk" and the dial-up monitor on the real window, over the real dial-up
// service in a private pppd world with a stub pppd.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>

#include <unistd.h>

#include "dialup/ras_library.h"
#include "shell/tform1.h"
#include "support/ppp_fixture.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"

using orv::TForm1;

namespace {

bool noTray() {
  return false;
}

// The report's lines without their time of day; red ones begin with "red: ".
QStringList report(const TForm1& form) {
  static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d "));
  QStringList lines;
  for (QTextBlock b = form.Logging->document()->begin(); b.isValid(); b = b.next()) {
    const bool red = b.begin() != b.end() &&
                     b.begin().fragment().charFormat().foreground().color() == QColor(Qt::red);
    lines << (red ? QStringLiteral("red: ") : QString()) + b.text().remove(time);
  }
  return lines;
}

QTreeWidgetItem* rowOf(const TForm1& form, const QString& name) {
  const auto found = form.Liste->findItems(name, Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.constFirst();
}

void choose(TForm1& form, const QString& entry, const char* action) {
  if (!entry.isEmpty()) form.Liste->setCurrentItem(rowOf(form, entry));
  form.PopUpConns->findChild<QAction*>(QLatin1String(action))->trigger();
}

// Ticks as no other user than "nobody" would: root's processes are then another user's.
// The saved id stays root's, so that the test can become root again.
struct AsOrdinaryUser {
  AsOrdinaryUser() : dropped(::setresuid(65534, 65534, 0) == 0) {}
  ~AsOrdinaryUser() {
    if (dropped) (void)::setresuid(0, 0, 0);
  }
  bool dropped;
};

const QString kChanges =
    QStringLiteral("Veränderungen am DFÜ Netzwerk entdeckt. Aktive Verbindungen sind jetzt:");

}  // namespace

class TForm1DialupTest : public QObject {
  Q_OBJECT

  std::unique_ptr<orvtest::PppFixture> m_ppp;
  std::unique_ptr<TempBaseDir> m_base;
  ScriptedDialogs* m_dialogs = nullptr;

  std::unique_ptr<TForm1> start() {
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));  // start-up runs through to its refresh
    return std::make_unique<TForm1>(QStringList{m_base->path()});
  }
  // Ticks every `interval` ms; a negative interval leaves the ticks to the test.
  static void monitor(TForm1& form, int interval) {
    form.IntervallRAS->setValue(interval);
    form.ScanRAS->setChecked(true);
  }

 private slots:
  void init() {
    TForm1::setTrayAvailability(&noTray);
    m_dialogs = &ScriptedDialogs::installNew();
    m_base = std::make_unique<TempBaseDir>();
    m_ppp = std::make_unique<orvtest::PppFixture>();
  }
  void cleanup() {
    m_ppp.reset();
    orv::RasLibrary::resetShared(orv::RasLibrary::serviceLibraryName());
  }

  void allowedConnectionStaysAndAnotherIsBlocked() {
    m_ppp->writeDialPeer("isp", "0190111", "alice");
    m_ppp->writeDialPeer("other", "0190222");
    auto form = start();
    rowOf(*form, "isp")->setCheckState(0, Qt::Checked);
    monitor(*form, 100);
    const orvtest::StubPppd& isp = m_ppp->startDialer("isp");
    const QString ispLine =
        QStringLiteral("Verbindung isp verbunden mit der Nummer +0 () 0190111 als Nutzer alice");
    QTRY_VERIFY(report(*form).contains(ispLine));

    const orvtest::StubPppd& other = m_ppp->startDialer("other");  // `pppd call other`
    QElapsedTimer since;
    since.start();
    QTRY_VERIFY_WITH_TIMEOUT(other.hasEnded(), 10000);
    QVERIFY2(since.elapsed() < 100 + 3000 + 1000, qPrintable(QString::number(since.elapsed())));
    const QStringList expected{
        kChanges,
        ispLine,
        QStringLiteral("Verbindung other verbunden mit der Nummer +0 () 0190222 als Nutzer "),
        QStringLiteral("red: other ist nicht erlaubt und wurde deshalb blockiert!"),
        QString(),
        kChanges,
        ispLine,
        QString()};
    QTRY_COMPARE(report(*form).mid(report(*form).size() - expected.size()), expected);
    QVERIFY(!isp.hasEnded());
  }

  void entryWithAChangedNumberLosesItsMark() {
    m_ppp->writeDialPeer("isp", "0190111");
    auto form = start();
    rowOf(*form, "isp")->setCheckState(0, Qt::Checked);
    m_ppp->writeDialPeer("isp", "0190999");
    monitor(*form, 100);
    m_ppp->startDialer("isp");
    QTRY_VERIFY(
        report(*form).contains(QStringLiteral("red: isp ist nicht erlaubt und wurde deshalb "
                                              "blockiert!")));
    QCOMPARE(rowOf(*form, "isp")->checkState(0), Qt::Unchecked);
  }

  void dialWhileThePageIsOpenAndRefreshedIsStillBlocked() {
    m_ppp->writeDialPeer("isp", "0190111");
    auto form = start();
    monitor(*form, -1);
    choose(*form, QStringLiteral("isp"), "Verbinden1");
    // Every visit of the page refreshes the list, and so takes the connector's snapshot.
    QTRY_VERIFY((form->PageControl1->setCurrentIndex(0),
                 form->PageControl1->setCurrentWidget(form->TabSheet1),
                 rowOf(*form, "isp")->text(4) == QStringLiteral("Verbunden")));
    form->DFUTimerTimer(form->DFUTimer);
    QVERIFY(report(*form).contains(
        QStringLiteral("red: isp ist nicht erlaubt und wurde deshalb blockiert!")));
    QVERIFY(m_ppp->runningStubs().empty());
  }

  void anotherUsersConnectionIsReportedAsNotBlocked() {
    if (::geteuid() != 0) QSKIP("needs root to run a pppd of another user");
    m_ppp->writeDialPeer("boot", "0190111", "", "ignore-term");
    auto form = start();
    monitor(*form, -1);
    const orvtest::StubPppd& rootsPppd = m_ppp->startDialer("boot");
    for (int tick = 0; tick < 2; ++tick) {
      AsOrdinaryUser nobody;
      QVERIFY(nobody.dropped);
      form->DFUTimerTimer(form->DFUTimer);
    }
    // Said once, tried again silently at the next tick.
    const QStringList red = report(*form).filter(QRegularExpression(QStringLiteral("^red: ")));
    QCOMPARE(red.size(), 1);
    QVERIFY2(red[0].startsWith(QStringLiteral("red: boot ist nicht erlaubt, konnte aber nicht "
                                              "blockiert werden! Grund: Zugriff verweigert")),
             qPrintable(red[0]));
    QVERIFY(!rootsPppd.hasEnded());
  }

  void contextMenuActionsWorkOnTheSelectedEntry() {
    m_ppp->writeDialPeer("isp", "0190111");
    auto form = start();
    // Nothing selected: nothing happens, nothing is asked.
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    watchdog.start(2000);
    for (const char* action : {"Verbinden1", "rennen1", "Editieren1", "rennen2"})
      choose(*form, QString(), action);
    watchdog.stop();
    QVERIFY(m_dialogs->questions.isEmpty());
    QVERIFY(m_ppp->runningStubs().empty());

    choose(*form, QStringLiteral("isp"), "Verbinden1");
    QCOMPARE(rowOf(*form, "isp")->text(4), QStringLiteral("Verbunden"));
    choose(*form, QStringLiteral("isp"), "rennen1");
    QCOMPARE(rowOf(*form, "isp")->text(4), QStringLiteral("Getrennt"));
    QVERIFY(m_ppp->runningStubs().empty());

    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog && dialog->objectName() == QStringLiteral("DFUEintrag"));
      dialog->findChild<QLineEdit*>(QStringLiteral("Rufnummer"))
          ->setText(QStringLiteral("0800123"));
      dialog->findChild<QPushButton*>(QStringLiteral("OK"))->click();
    });
    choose(*form, QStringLiteral("isp"), "Editieren1");
    QCOMPARE(rowOf(*form, "isp")->text(1), QStringLiteral("+0 () 0800123"));

    m_dialogs->setNextConfirm(false);
    choose(*form, QStringLiteral("isp"), "rennen2");
    QCOMPARE(
        m_dialogs->questions,
        QStringList{QStringLiteral("Bestätigung|Soll die Verbindung wirklich gelöscht werden?")});
    QVERIFY(rowOf(*form, "isp"));
    m_dialogs->setNextConfirm(true);
    choose(*form, QStringLiteral("isp"), "rennen2");
    QVERIFY(!rowOf(*form, "isp"));
    QVERIFY(::access((m_ppp->peersDir() + "/isp").c_str(), F_OK) != 0);
  }

  void markSetWithTheKeyboardIsStoredAndSurvivesARefresh() {
    m_ppp->writeDialPeer("isp", "0190111");
    auto form = start();
    form->Liste->setCurrentItem(rowOf(*form, "isp"));
    QTest::keyClick(form->Liste, Qt::Key_Space);
    QCOMPARE(form->KnownConnections.size(), std::size_t{1});
    QVERIFY(form->KnownConnections[0].Allowed);
    QCOMPARE(form->KnownConnections[0].PhoneText, QByteArray("+0 () 0190111"));
    form->Button7->click();
    QCOMPARE(rowOf(*form, "isp")->checkState(0), Qt::Checked);
  }

  void listThePhonebookCouldNotFillKeepsTheStoredMarks() {
    std::filesystem::remove(m_ppp->peersDir());
    std::ofstream(m_ppp->peersDir()) << "no folder\n";
    auto form = start();
    form->KnownConnections = {{true, "isp", "+0 () 0190111"}};
    form->ListeClick(form->Liste);
    form->FormDestroy(form.get());
    QCOMPARE(form->KnownConnections.size(), std::size_t{1});
  }

  void refreshWithoutTheServiceHidesThePage() {
    auto form = start();
    orv::RasLibrary::resetShared("/nonexistent/librasapi32.so");
    form->Button7->click();
    QVERIFY(!form->PageControl1->isTabVisible(form->PageControl1->indexOf(form->TabSheet1)));
    QVERIFY(!form->GroupBox1->isEnabled());
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Kein RAS verfügbar auf diesem PC. "
                                                             "DFÜ Netzwerküberwachung "
                                                             "abgeschaltet.")});
  }
};

QTEST_MAIN(TForm1DialupTest)
#include "tform1_dialup_test.moc"
