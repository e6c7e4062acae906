#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "shell/web_addresses.h"
#include "support/scripted_dialogs.h"
#include "warning/link_label.h"
#include "warning/message_label.h"
#include "warning/tmeldung.h"
#include "warning/warning_codes.h"
#include "warning/warning_presenter.h"
#include "warning_test_support.h"

using orv::TMeldung;
using orv::WarningPresenter;

namespace {

const QString kDeactivated = QStringLiteral("Der Sicherheitstimer wurde DEAKTIVIERT!!");

// What the dialog showed while a warning was up.
struct Seen {
  QString title;
  QString text;
  QString address;
  QList<bool> enabled;  // Ignorieren, Erlauben, Loeschen, Beenden
  QStringList pictures;
  int focused = 0;
  bool lockRunning = false;
  int lockRemaining = -1;
};

}  // namespace

class WarningPresenterTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_dialogs = &ScriptedDialogs::installNew();
    m_dialog = std::make_unique<TMeldung>();
    auto sound = std::make_unique<RecordingSound>();
    m_sound = sound.get();
    m_sound->onPlay = [this] { m_events << (m_dialog->isVisible() ? "sound, shown" : "sound"); };
    m_soundOn = false;
    m_events.clear();
    WarningPresenter::Hooks hooks;
    hooks.soundWanted = [this] { return m_soundOn; };
    hooks.bringMainWindowToFront = [this] {
      m_events << (m_dialog->isVisible() ? "front, shown" : "front");
    };
    m_presenter = std::make_unique<WarningPresenter>(*m_dialog, hooks, std::move(sound));
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_browser, "open");
    m_browser.urls.clear();

    // No test may hang on a warning left open by a failed check: close it, which fails the
    // test on its answer.
    m_watchdog = std::make_unique<QTimer>();
    m_watchdog->setInterval(20000);
    connect(m_watchdog.get(), &QTimer::timeout, this, [this] {
      if (m_dialog->isVisible()) m_dialog->done(orv::NoAnswer);
    });
    m_watchdog->start();
  }
  void cleanup() {
    m_watchdog.reset();
    m_presenter.reset();
    m_dialog.reset();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  }

  // The three questions the program asks: each shows its texts, offers its buttons, has its
  // default on the focused button, and Enter gives that default.
  void callersGetTheirDefaultByEnter_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("defaultAnswer");
    QTest::addColumn<bool>("beenden");
    QTest::addColumn<QString>("picture");
    QTest::newRow("signature in a file")
        << "0190 Dialer gefunden!"
        << "Es wurde der 0190 Dialer \"Teuer\" in der Datei \"/tmp/a.exe\" gefunden. Wie wollen "
           "sie reagieren?"
        << 1 << 3 << false << "rot";
    QTest::newRow("suspicious file")
        << "Verdächtige Datei gefunden"
        << "Die Datei \"/tmp/b.exe\" ist verdächtig. Das Programm wählt. Wie wollen sie "
           "reagieren?"
        << 2 << 1 << false << "Gelb";
    QTest::newRow("suspicious process")
        << "Verdächtiger aktiver Prozess"
        << "Der Prozess mit der Datei \"/tmp/c.exe\" ist verdächtig. Das Programm wählt. Wie "
           "wollen sie reagieren?"
        << 1 << 4 << true << "rot";
  }
  void callersGetTheirDefaultByEnter() {
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, level);
    QFETCH(int, defaultAnswer);
    QFETCH(bool, beenden);
    QFETCH(QString, picture);

    Seen seen;
    whenShowing(*m_dialog, title, [&] {
      seen = look();
      pressKey(*m_dialog, Qt::Key_Return);
    });
    const int answer = m_presenter->showWarning(title, text, orv::helpPageAddress(), false, true,
                                                true, beenden, true, level, defaultAnswer);
    QCOMPARE(answer, defaultAnswer);
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.address, orv::helpPageAddress());
    QCOMPARE(seen.enabled, (QList<bool>{true, true, true, beenden}));
    QCOMPARE(seen.pictures, QStringList{picture});
    QCOMPARE(seen.focused, defaultAnswer);
    QVERIFY(!seen.lockRunning);
    QVERIFY(m_dialog->isHidden());
  }

  void eachButtonGivesItsAnswer() {
    const QList<QPushButton*> buttons = m_dialog->answerButtons();
    for (QPushButton* button : buttons) {
      whenShowing(*m_dialog, "Frage", [button] { QTest::mouseClick(button, Qt::LeftButton); });
      QCOMPARE(ask("Frage", false, 1), button->property("Tag").toInt());
    }
  }

  void levelChoosesThePicture_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QStringList>("pictures");
    QTest::newRow("1 red") << 1 << QStringList{"rot"};
    QTest::newRow("2 yellow") << 2 << QStringList{"Gelb"};
    QTest::newRow("3 green") << 3 << QStringList{"Gruen"};
    QTest::newRow("0 none") << 0 << QStringList{};
    QTest::newRow("7 none") << 7 << QStringList{};
  }
  void levelChoosesThePicture() {
    QFETCH(int, level);
    QFETCH(QStringList, pictures);
    // A red warning first, so that a picture left over from it would show.
    whenShowing(*m_dialog, "vorher", [this] { m_dialog->Ignorieren->click(); });
    QCOMPARE(ask("vorher", false, 1, orv::LevelRed), 1);

    Seen seen;
    whenShowing(*m_dialog, "Stufe", [&] {
      seen = look();
      m_dialog->Ignorieren->click();
    });
    QCOMPARE(ask("Stufe", false, 1, level), 1);
    QCOMPARE(seen.pictures, pictures);
  }

  void lockAnswersWithTheDefault_data() {
    QTest::addColumn<int>("defaultAnswer");
    QTest::newRow("delete the file") << 3;
    QTest::newRow("ignore the file") << 1;
    QTest::newRow("terminate the process") << 4;
  }
  void lockAnswersWithTheDefault() {
    QFETCH(int, defaultAnswer);
    m_dialog->setLockPeriod(100);
    QCOMPARE(ask("Sperre", true, defaultAnswer), defaultAnswer);
    QVERIFY(m_dialogs->messages.isEmpty());
    QVERIFY(!m_dialog->Sperrtimer->isActive());
  }

  // With the lock off, or after the help link ended it, the warning waits well beyond the
  // lock period for its answer; the link asks for the page at every click.
  void helpLinkEndsTheLock_data() {
    QTest::addColumn<bool>("lock");
    QTest::newRow("lock on") << true;
    QTest::newRow("lock off") << false;
  }
  void helpLinkEndsTheLock() {
    QFETCH(bool, lock);
    // Long enough never to run out on a busy machine: the test looks at the timer instead.
    m_dialog->setLockPeriod(60000);
    bool lockStopped = false;
    bool stillOpen = false;
    whenShowing(*m_dialog, "Hilfe", [&] {
      QTest::mouseClick(m_dialog->Label1, Qt::LeftButton);
      lockStopped = !m_dialog->Sperrtimer->isActive();
      QCoreApplication::processEvents();
      stillOpen = m_dialog->isVisible();
      QTest::mouseClick(m_dialog->Label1, Qt::LeftButton);
      m_dialog->Erlauben->click();
    });
    QCOMPARE(ask("Hilfe", lock, 3), int(orv::AnswerAllow));
    QVERIFY(lockStopped);
    QVERIFY(stillOpen);
    const QStringList expected = lock ? QStringList{kDeactivated} : QStringList{};
    QCOMPARE(m_dialogs->messages, expected);
    const QUrl help(orv::helpPageAddress());
    QCOMPARE(m_browser.urls, (QList<QUrl>{help, help}));
  }

  // With the lock on, the default button counts down the seconds until the lock answers;
  // the help link ends the lock and the count with it.
  void theDefaultButtonShowsTheSecondsLeft() {
    m_dialog->setLockPeriod(2500);
    QStringList captions;
    const auto captionsNow = [&] {
      QStringList now;
      for (const QPushButton* button : m_dialog->answerButtons()) now << button->text();
      captions << now.join(QLatin1Char('|'));
    };
    whenShowing(*m_dialog, "Sperre", [&] {
      captionsNow();
      if (QTest::qWaitFor([&] { return !m_dialog->Loeschen->text().endsWith("(3)"); }, 2000))
        captionsNow();
      QTest::mouseClick(m_dialog->Label1, Qt::LeftButton);
      captionsNow();
      m_dialog->Ignorieren->click();
    });
    QCOMPARE(ask("Sperre", true, orv::AnswerDelete), int(orv::AnswerIgnore));
    whenShowing(*m_dialog, "ohne Sperre", [&] {
      captionsNow();
      m_dialog->Ignorieren->click();
    });
    QCOMPARE(ask("ohne Sperre", false, orv::AnswerDelete), int(orv::AnswerIgnore));
    const QString plain = QStringLiteral("Ignorieren|Erlauben|Löschen|Beenden");
    QCOMPARE(captions, (QStringList{QStringLiteral("Ignorieren|Erlauben|Löschen (3)|Beenden"),
                                    QStringLiteral("Ignorieren|Erlauben|Löschen (2)|Beenden"),
                                    plain, plain}));
  }

  // Every warning gets a full lock period of its own, whatever the one before left.
  void eachWarningGetsAFullLockPeriod() {
    const int period = 60000;
    const int used = 2500;  // lock time the first warning takes up before it is answered
    m_dialog->setLockPeriod(period);
    whenShowing(*m_dialog, "erste", [&] {
      whenTrue(
          m_dialog.get(), [&] { return m_dialog->Sperrtimer->remainingTime() <= period - used; },
          [&] { m_dialog->Loeschen->click(); });
    });
    QCOMPARE(ask("erste", true, 1), int(orv::AnswerDelete));

    Seen second;
    whenShowing(*m_dialog, "zweite", [&] {
      second = look();
      m_dialog->Erlauben->click();
    });
    QCOMPARE(ask("zweite", true, 4), int(orv::AnswerAllow));
    QVERIFY(second.lockRunning);
    // Nothing of the first warning's lock carries over.
    QVERIFY2(second.lockRemaining > period - used + 500,
             qPrintable(QString::number(second.lockRemaining)));

    Seen third;
    whenShowing(*m_dialog, "dritte", [&] {
      third = look();
      m_dialog->Ignorieren->click();
    });
    QCOMPARE(ask("dritte", false, 4), int(orv::AnswerIgnore));
    QVERIFY(!third.lockRunning);
  }

  // A timer inside the modal run asks again: the open warning stays as it is, the new one
  // waits and comes next, and each caller gets its own answer.
  void warningAskedWhileOneIsOpenWaitsItsTurn() {
    int second = -1;
    Seen whileWaiting;
    Seen secondSeen;
    QStringList returned;
    whenShowing(*m_dialog, "A", [&] {
      QTimer::singleShot(0, m_dialog.get(), [&] {
        second = m_presenter->showWarning("B", "Text B", orv::helpPageAddress(), false, true, true,
                                          true, true, orv::LevelYellow, orv::AnswerAllow);
        returned << "B";
      });
      whenTrue(
          m_dialog.get(), [&] { return m_presenter->waitingCount() == 1; },
          [&] {
            whileWaiting = look();
            m_dialog->Loeschen->click();
          });
    });
    whenShowing(*m_dialog, "B", [&] {
      secondSeen = look();
      pressKey(*m_dialog, Qt::Key_Space);
    });
    const int first = m_presenter->showWarning("A", "Text A", orv::helpPageAddress(), false, true,
                                               true, false, true, orv::LevelRed, orv::AnswerIgnore);
    returned << "A";

    QCOMPARE(first, int(orv::AnswerDelete));
    QCOMPARE(second, int(orv::AnswerAllow));
    QCOMPARE(whileWaiting.title, QStringLiteral("A"));
    QCOMPARE(whileWaiting.text, QStringLiteral("Text A"));
    QCOMPARE(whileWaiting.enabled, (QList<bool>{true, true, true, false}));
    QCOMPARE(whileWaiting.pictures, QStringList{"rot"});
    QCOMPARE(secondSeen.text, QStringLiteral("Text B"));
    QCOMPARE(secondSeen.enabled, (QList<bool>{true, true, true, true}));
    QCOMPARE(secondSeen.pictures, QStringList{"Gelb"});
    QCOMPARE(secondSeen.focused, int(orv::AnswerAllow));
    QCOMPARE(returned, (QStringList{"B", "A"}));  // the nested caller returns first
    QVERIFY(!m_presenter->isShowing());
    QCOMPARE(m_presenter->waitingCount(), 0);
  }

  // Warnings asked for one inside the other's wait come in the order they were asked.
  void waitingWarningsComeInTheOrderAsked() {
    QStringList shown;
    int b = -1;
    int c = -1;
    auto answerWith = [&](QPushButton* button) {
      shown << m_dialog->Titel->text();
      button->click();
    };
    whenShowing(*m_dialog, "A", [&] {
      QTimer::singleShot(0, m_dialog.get(), [&] {
        QTimer::singleShot(0, m_dialog.get(), [&] { c = ask("C", false, 1); });
        b = ask("B", false, 1);
      });
      whenTrue(
          m_dialog.get(), [&] { return m_presenter->waitingCount() == 2; },
          [&] { answerWith(m_dialog->Ignorieren); });
    });
    whenShowing(*m_dialog, "B", [&] { answerWith(m_dialog->Erlauben); });
    whenShowing(*m_dialog, "C", [&] { answerWith(m_dialog->Beenden); });
    QCOMPARE(ask("A", false, 1), int(orv::AnswerIgnore));
    QCOMPARE(b, int(orv::AnswerAllow));
    QCOMPARE(c, int(orv::AnswerTerminate));
    QCOMPARE(shown, (QStringList{"A", "B", "C"}));
  }

  // Escape does nothing; a warning closed by the window manager or hidden has no answer.
  void warningEndedWithoutAButtonHasNoAnswer_data() {
    QTest::addColumn<bool>("hide");
    QTest::newRow("closed") << false;
    QTest::newRow("hidden") << true;
  }
  void warningEndedWithoutAButtonHasNoAnswer() {
    QFETCH(bool, hide);
    m_dialog->setLockPeriod(60000);  // running, but never the one that ends the warning
    bool openAfterEscape = false;
    whenShowing(*m_dialog, "zu", [&] {
      pressKey(*m_dialog, Qt::Key_Escape);
      QCoreApplication::processEvents();
      openAfterEscape = m_dialog->isVisible();
      if (hide) {
        m_dialog->hide();
      } else {
        m_dialog->close();
      }
    });
    QCOMPARE(ask("zu", true, 3), int(orv::NoAnswer));
    QVERIFY(openAfterEscape);
    QVERIFY(!m_dialog->Sperrtimer->isActive());

    // The dialog serves the next warning as usual.
    whenShowing(*m_dialog, "danach", [this] { m_dialog->Erlauben->click(); });
    QCOMPARE(ask("danach", false, 1), int(orv::AnswerAllow));
  }

  // The application is told to quit while a warning is open and another waits: both end
  // without an answer, and a warning asked for after that is not put up at all.
  void quittingEndsOpenAndWaitingWarnings() {
    m_soundOn = true;
    int second = -1;
    int afterQuit = -1;
    whenShowing(*m_dialog, "offen", [&] {
      QTimer::singleShot(0, m_dialog.get(), [&] {
        second = ask("wartet", false, 1);
        afterQuit = ask("danach", true, 1);
      });
      whenTrue(
          m_dialog.get(), [&] { return m_presenter->waitingCount() == 1; },
          [] { QCoreApplication::exit(0); });
    });
    const int first = ask("offen", true, 4);
    resetQuit();

    QCOMPARE(first, int(orv::NoAnswer));
    QCOMPARE(second, int(orv::NoAnswer));
    QCOMPARE(afterQuit, int(orv::NoAnswer));
    QVERIFY(m_dialog->isHidden());
    QVERIFY(!m_dialog->Sperrtimer->isActive());
    QVERIFY(!m_presenter->isShowing());
    QCOMPARE(m_presenter->waitingCount(), 0);
    QCOMPARE(m_sound->plays, 1);  // only the warning that was put up made a sound
    QCOMPARE(m_events, (QStringList{"sound", "front"}));

    // Once the application runs again, so do warnings.
    whenShowing(*m_dialog, "wieder", [this] { m_dialog->Beenden->click(); });
    QCOMPARE(ask("wieder", false, 1), int(orv::AnswerTerminate));
  }

  // The running program is told to quit (as its tray menu does) while a warning is open:
  // the warning ends without an answer and the program's loop ends.
  void quitFromTheRunningProgramEndsTheWarning() {
    int answer = -1;
    QTimer::singleShot(0, qApp, [&] {
      whenShowing(*m_dialog, "Ende", [] { QCoreApplication::quit(); });
      answer = ask("Ende", true, 3);
    });
    QCoreApplication::exec();
    QCOMPARE(answer, int(orv::NoAnswer));
    QVERIFY(m_dialog->isHidden());
    QVERIFY(!m_presenter->isShowing());
  }

  // The sound follows the flag as it is at the warning; it starts before anything else, the
  // main window comes to the front next, and only then the dialog appears.
  void soundAndMainWindowComeBeforeTheDialog_data() {
    QTest::addColumn<bool>("soundOn");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("sound off") << false << QStringList{"front", "dialog"};
    QTest::newRow("sound on") << true << QStringList{"sound", "front", "dialog"};
  }
  void soundAndMainWindowComeBeforeTheDialog() {
    QFETCH(bool, soundOn);
    QFETCH(QStringList, events);
    m_soundOn = soundOn;
    whenShowing(*m_dialog, "Ton", [this] {
      m_events << "dialog";
      m_dialog->Ignorieren->click();
    });
    QCOMPARE(ask("Ton", false, 1), 1);
    QCOMPARE(m_events, events);
    QCOMPARE(m_sound->plays, soundOn ? 1 : 0);

    // The flag is read anew for every warning.
    m_soundOn = !soundOn;
    whenShowing(*m_dialog, "Ton", [this] { m_dialog->Ignorieren->click(); });
    ask("Ton", false, 1);
    QCOMPARE(m_sound->plays, 1);
  }

  void soundThatCannotStartRingsTheBell() {
    int bells = 0;
    int attempts = 0;
    TMeldung dialog;
    WarningPresenter::Hooks hooks;
    hooks.soundWanted = [] { return true; };
    WarningPresenter presenter(dialog, hooks,
                               std::make_unique<orv::DesktopWarningSound>(
                                   [&] {
                                     ++attempts;
                                     return false;
                                   },
                                   [&] { ++bells; }));
    whenShowing(dialog, "Klingel", [&] { dialog.Ignorieren->click(); });
    QCOMPARE(presenter.showWarning("Klingel", "", "", false, true, true, true, true, 1, 1), 1);
    QCOMPARE(attempts, 1);
    QCOMPARE(bells, 1);
  }

 private:
  int ask(const QString& title, bool lock, int defaultAnswer, int level = orv::LevelRed) {
    return m_presenter->showWarning(title, "Text " + title, orv::helpPageAddress(), lock, true,
                                    true, true, true, level, defaultAnswer);
  }

  Seen look() const {
    Seen seen;
    seen.title = m_dialog->Titel->text();
    seen.text = m_dialog->Text->text();
    seen.address = m_dialog->Adresse->text();
    const QList<QPushButton*> buttons = m_dialog->answerButtons();
    for (QPushButton* button : buttons) seen.enabled << button->isEnabled();
    for (QLabel* picture : {m_dialog->rot, m_dialog->Gelb, m_dialog->Gruen}) {
      if (picture->isVisible()) seen.pictures << picture->objectName();
    }
    seen.focused = focusedAnswer(*m_dialog);
    seen.lockRunning = m_dialog->Sperrtimer->isActive();
    seen.lockRemaining = m_dialog->Sperrtimer->remainingTime();
    return seen;
  }

  // After QCoreApplication::exit() no event loop runs until the application's own loop has
  // started again; start it once, briefly, as the program's main loop would be.
  static void resetQuit() {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
  }

  ScriptedDialogs* m_dialogs = nullptr;
  std::unique_ptr<TMeldung> m_dialog;
  std::unique_ptr<WarningPresenter> m_presenter;
  RecordingSound* m_sound = nullptr;
  bool m_soundOn = false;
  QStringList m_events;
  UrlRecorder m_browser;
  std::unique_ptr<QTimer> m_watchdog;
};

QTEST_MAIN(WarningPresenterTest)
#include "tst_warning_presenter.moc"
