// The page "DFÜ Netzwerk" and the dial-up monitor on the real window, over the real dial-up
// service in a private pppd world with a stub pppd.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
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

#include "shell/tform1.h"
#include "support/ppp_fixture.h"
#include "support/scripted_dialogs.h"
#include "support/temp_base_dir.h"

using orv::TForm1;

namespace {

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

QTreeWidgetItem* row(const TForm1& form, const char* name) {
  const auto found = form.Liste->findItems(QString::fromUtf8(name), Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.constFirst();
}

// Chooses `action` of the context menu on the row of `entry` (none: no row selected).
void choose(TForm1& form, const char* entry, const char* action) {
  if (entry) form.Liste->setCurrentItem(row(form, entry));
  form.PopUpConns->findChild<QAction*>(QLatin1String(action))->trigger();
}

QString blocked(const char* entry) {
  return QStringLiteral("red: ") + QLatin1String(entry) +
         QStringLiteral(" ist nicht erlaubt und wurde deshalb blockiert!");
}

}  // namespace

class TForm1DialupTest : public QObject {
  Q_OBJECT

  std::unique_ptr<orvtest::PppFixture> m_ppp;
  std::unique_ptr<TempBaseDir> m_base;
  ScriptedDialogs* m_dialogs = nullptr;

  std::unique_ptr<TForm1> start(int monitorInterval = 0) {
    m_base->copyFromData(QStringLiteral("hilfe.rtf"));  // start-up runs through to its refresh
    m_base->writeInitialSettings();
    auto form = std::make_unique<TForm1>(QStringList{m_base->path()});
    // A negative interval leaves the ticks to the test.
    form->IntervallRAS->setValue(monitorInterval);
    if (monitorInterval != 0) form->ScanRAS->setChecked(true);
    return form;
  }

 private slots:
  void init() {
    TForm1::setTrayAvailability([] { return false; });
    m_dialogs = &ScriptedDialogs::installNew();
    m_base = std::make_unique<TempBaseDir>();
    m_ppp = std::make_unique<orvtest::PppFixture>();
    m_ppp->writeDialPeer("isp", "0190111", "alice");
  }
  void cleanup() { m_ppp.reset(); }

  void allowedConnectionStaysAndADialerIsBlocked() {
    m_ppp->writeDialPeer("other", "0190222");
    auto form = start(100);
    row(*form, "isp")->setCheckState(0, Qt::Checked);
    const orvtest::StubPppd& isp = m_ppp->startDialer("isp");
    const QString ispLine =
        "Verbindung isp verbunden mit der Nummer +0 () 0190111 als Nutzer alice";
    QTRY_VERIFY(report(*form).contains(ispLine));
    const orvtest::StubPppd& other = m_ppp->startDialer("other");  // `pppd call other`
    QElapsedTimer since;
    since.start();
    QTRY_VERIFY_WITH_TIMEOUT(other.hasEnded(), 10000);
    QVERIFY2(since.elapsed() < 100 + 3000 + 1000, qPrintable(QString::number(since.elapsed())));
    QTRY_VERIFY(report(*form).contains(blocked("other")));
    // The next tick reports the change again.
    QTRY_COMPARE(
        report(*form).mid(report(*form).size() - 3),
        (QStringList{"Veränderungen am DFÜ Netzwerk entdeckt. Aktive Verbindungen sind jetzt:",
                     ispLine, ""}));
    QVERIFY(!isp.hasEnded());
  }

  void connectionUpBeforeTheStartIsListed() {
    // The service's first look at the processes is taken beside the window's construction.
    m_ppp->startDialer("isp");
    auto form = start();
    QVERIFY(row(*form, "isp"));
    QCOMPARE(row(*form, "isp")->text(4), QStringLiteral("Verbunden"));
  }

  void entryWithAChangedNumberLosesItsMark() {
    auto form = start(100);
    row(*form, "isp")->setCheckState(0, Qt::Checked);
    m_ppp->writeDialPeer("isp", "0190999");
    m_ppp->startDialer("isp");
    QTRY_VERIFY(report(*form).contains(blocked("isp")));
    QCOMPARE(row(*form, "isp")->checkState(0), Qt::Unchecked);
  }

  void dialWhileThePageIsOpenAndRefreshedIsStillBlocked() {
    auto form = start(-1);
    choose(*form, "isp", "Verbinden1");
    // Every visit of the page refreshes the list and so takes the connector's snapshot.
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    QCOMPARE(row(*form, "isp")->text(4), QStringLiteral("Verbunden"));
    form->DFUTimerTimer(form->DFUTimer);
    QVERIFY(report(*form).contains(blocked("isp")));
    QVERIFY(m_ppp->runningStubs().empty());
  }

  void anotherUsersConnectionIsReportedAsNotBlocked() {
    if (::geteuid() != 0) QSKIP("needs root to run a pppd of another user");
    m_ppp->writeDialPeer("boot", "0190111", "", "ignore-term");
    auto form = start(-1);
    const orvtest::StubPppd& rootsPppd = m_ppp->startDialer("boot");
    QElapsedTimer took;  // refused at once, never waited for
    took.start();
    for (int tick = 0; tick < 2; ++tick) {
      // Root's pppd is another user's for "nobody"; the saved id lets the test back.
      QCOMPARE(::setresuid(65534, 65534, 0), 0);
      form->DFUTimerTimer(form->DFUTimer);
      QCOMPARE(::setresuid(0, 0, 0), 0);
    }
    QVERIFY2(took.elapsed() < 2500, qPrintable(QString::number(took.elapsed())));
    // Said once; the next tick tries again without a line.
    const QStringList red = report(*form).filter(QRegularExpression("^red: "));
    QCOMPARE(red.size(), 1);
    QVERIFY2(red[0].startsWith("red: boot ist nicht erlaubt, konnte aber nicht blockiert werden! "
                               "Grund: Zugriff verweigert"),
             qPrintable(red[0]));
    QVERIFY(!rootsPppd.hasEnded());
  }

  void contextMenuActsOnTheSelectedEntry() {
    auto form = start();
    for (const char* action : {"Verbinden1", "rennen1", "rennen2"}) choose(*form, nullptr, action);
    QVERIFY(m_dialogs->questions.isEmpty());
    choose(*form, "isp", "Verbinden1");
    QCOMPARE(row(*form, "isp")->text(4), QStringLiteral("Verbunden"));
    choose(*form, "isp", "rennen1");
    QCOMPARE(row(*form, "isp")->text(4), QStringLiteral("Getrennt"));
    QVERIFY(m_ppp->runningStubs().empty());

    QTimer::singleShot(0, [] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      dialog->findChild<QLineEdit*>("Rufnummer")->setText("0800123");
      dialog->findChild<QPushButton*>("OK")->click();
    });
    choose(*form, "isp", "Editieren1");
    QCOMPARE(row(*form, "isp")->text(1), QStringLiteral("+0 () 0800123"));

    m_dialogs->setNextConfirm(false);
    choose(*form, "isp", "rennen2");
    QCOMPARE(m_dialogs->questions,
             QStringList{"Bestätigung|Soll die Verbindung wirklich gelöscht werden?"});
    QVERIFY(row(*form, "isp"));
    choose(*form, "isp", "rennen2");
    QVERIFY(!row(*form, "isp"));
  }

  void markSetWithTheKeyboardIsStoredAndSurvivesARefresh() {
    auto form = start();
    form->Liste->setCurrentItem(row(*form, "isp"));
    QTest::keyClick(form->Liste, Qt::Key_Space);
    QCOMPARE(form->KnownConnections.size(), std::size_t{1});
    QVERIFY(form->KnownConnections[0].Allowed);
    form->Button7->click();
    QCOMPARE(row(*form, "isp")->checkState(0), Qt::Checked);
  }

  void listThePhonebookCouldNotFillKeepsTheStoredMarks() {
    std::filesystem::remove_all(m_ppp->peersDir());
    std::ofstream(m_ppp->peersDir()) << "no folder\n";
    auto form = start();
    form->KnownConnections = {{true, "isp", "+0 () 0190111"}};
    form->ListeClick(form->Liste);
    form->FormDestroy(form.get());
    QCOMPARE(form->KnownConnections.size(), std::size_t{1});
  }
};

QTEST_MAIN(TForm1DialupTest)
#include "tform1_dialup_test.moc"
