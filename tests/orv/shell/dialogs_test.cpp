// The real boxes behind the dialogs seam: caption, icon, text and buttons as the program
// shows them.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "shell/dialogs.h"

namespace {

// Runs `inspect` on the box that `open` shows, then presses the button with `buttonText`.
void whileShown(const std::function<void()>& open,
                const std::function<void(QMessageBox*)>& inspect, const QString& buttonText) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || seen) return;
    seen = true;
    inspect(box);
    for (QAbstractButton* button : box->buttons())
      if (button->text() == buttonText) button->click();
  });
  poll.start();
  open();
  QVERIFY(seen);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void fullStopIsAppendedOnlyWhenMissing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("missing") << "Datei x kann nicht geöffnet werden"
                             << "Datei x kann nicht geöffnet werden.";
    QTest::newRow("present") << "Datei nicht gefunden." << "Datei nicht gefunden.";
    QTest::newRow("empty") << "" << ".";
  }
  void fullStopIsAppendedOnlyWhenMissing() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(orv::withFullStop(text), shown);
  }

  void errorBoxCarriesTheTitleAndAStopIcon() {
    whileShown(
        [] { orv::Dialogs::current().error(nullptr, QStringLiteral("Dateizugriff verweigert")); },
        [](QMessageBox* box) {
          QCOMPARE(box->windowTitle(), QStringLiteral("ORV 3.0"));
          QCOMPARE(box->text(), QStringLiteral("Dateizugriff verweigert."));
          QCOMPARE(box->icon(), QMessageBox::Critical);
          QCOMPARE(box->buttons().size(), 1);
        },
        QStringLiteral("OK"));
  }

  void messageBoxHasOneOkButton() {
    whileShown([] { orv::Dialogs::current().message(nullptr, QStringLiteral("Hallo")); },
               [](QMessageBox* box) {
                 QCOMPARE(box->windowTitle(), QStringLiteral("ORV 3.0"));
                 QCOMPARE(box->text(), QStringLiteral("Hallo"));
                 QCOMPARE(box->buttons().size(), 1);
               },
               QStringLiteral("OK"));
  }

  void confirmationAnswersYesAndNo() {
    for (const bool yes : {true, false}) {
      bool answer = !yes;
      whileShown(
          [&] {
            answer = orv::Dialogs::current().confirm(
                nullptr, QStringLiteral("Bestätigung"),
                QStringLiteral("Soll die Verbindung wirklich gelöscht werden?"));
          },
          [](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("Bestätigung"));
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(box->defaultButton()->text(), QStringLiteral("&Ja"));
            QCOMPARE(box->escapeButton()->text(), QStringLiteral("&Nein"));
          },
          yes ? QStringLiteral("&Ja") : QStringLiteral("&Nein"));
      QCOMPARE(answer, yes);
    }
  }

  // Ended without a button, as when the program quits under it: nothing was confirmed.
  void confirmationClosedWithoutAnAnswerIsNo() {
    bool answer = true;
    whileShown([&] { answer = orv::Dialogs::current().confirm(nullptr, "Bestätigung", "?"); },
               [](QMessageBox* box) { box->done(0); }, QString());
    QVERIFY(!answer);
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
