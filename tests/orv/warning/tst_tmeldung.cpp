#include <QDesktopServices>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <memory>

#include "support/scripted_dialogs.h"
#include "warning/link_label.h"
#include "warning/message_label.h"
#include "warning/tmeldung.h"
#include "warning/traffic_light.h"
#include "warning_test_support.h"

using orv::LinkLabel;
using orv::MessageLabel;
using orv::TMeldung;

namespace {

const QString kHelp = QStringLiteral("https://orv.example.org/helpgefunden.php");

// Centre of the lamp `index` (0 top) in a traffic-light picture, and a point on its glass
// below the bright centre, where the lamp shows its own colour.
QPoint lampGlass(int index) {
  return QPoint(37, 24 + 43 * index + 8);
}

}  // namespace

class TMeldungTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ScriptedDialogs::installNew();  // no real box may pop up
    m_dialog = std::make_unique<TMeldung>();
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_browser, "open");
  }
  void cleanup() {
    m_dialog.reset();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    m_browser.urls.clear();
  }

  void windowIsAFixedTopmostDialogWithoutCloseBox() {
    TMeldung& d = *m_dialog;
    QVERIFY(d.isHidden());
    QCOMPARE(d.windowTitle(), QStringLiteral("ORV 3.0 Warnmeldung"));
    QCOMPARE(d.minimumSize(), QSize(411, 171));
    QCOMPARE(d.maximumSize(), QSize(411, 171));
    const Qt::WindowFlags flags = d.windowFlags();
    QVERIFY(flags & Qt::WindowStaysOnTopHint);
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowSystemMenuHint));
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(d.windowModality(), Qt::ApplicationModal);
    QVERIFY(!d.testAttribute(Qt::WA_QuitOnClose));
    QCOMPARE(d.Sperrtimer->interval(), 30000);
    QVERIFY(!d.Sperrtimer->isActive());
  }

  void controlsAreLaidOut_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("tag");
    QTest::newRow("Text") << "Text" << QRect(88, 24, 313, 89) << ""
                          << "" << 0;
    QTest::newRow("rot") << "rot" << QRect(8, 8, 74, 135) << ""
                         << "" << 1;
    QTest::newRow("Gelb") << "Gelb" << QRect(8, 8, 74, 135) << ""
                          << "" << 2;
    QTest::newRow("Gruen") << "Gruen" << QRect(8, 8, 74, 135) << ""
                           << "" << 3;
    QTest::newRow("Ignorieren") << "Ignorieren" << QRect(88, 120, 75, 25) << "Ignorieren"
                                << "Die Meldung ignorieren und fortfahren." << 1;
    QTest::newRow("Erlauben") << "Erlauben" << QRect(168, 120, 75, 25) << "Erlauben"
                              << "Die Verbindungen bzw. das Programm permanent erlauben." << 2;
    QTest::newRow("Loeschen") << "Loeschen" << QRect(248, 120, 75, 25) << "Löschen"
                              << "Die Verbindung oder das Programm löschen." << 3;
    QTest::newRow("Beenden") << "Beenden" << QRect(328, 120, 75, 25) << "Beenden"
                             << "Das Programm bzw. die Verbindung beenden." << 4;
  }
  void controlsAreLaidOut() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(int, tag);
    auto* widget = m_dialog->findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->toolTip(), hint);
    QCOMPARE(widget->property("Tag").toInt(), tag);
    if (auto* button = qobject_cast<QPushButton*>(widget)) QCOMPARE(button->text(), caption);
  }

  void labelsLookAsTheyShould() {
    TMeldung& d = *m_dialog;
    QCOMPARE(d.Titel->pos(), QPoint(88, 8));
    QVERIFY(d.Titel->font().bold());
    QCOMPARE(d.Titel->textFormat(), Qt::PlainText);
    QVERIFY(d.Text->wordWrap());
    QCOMPARE(d.Text->textFormat(), Qt::PlainText);
    QVERIFY(d.Adresse->isHidden());
    QCOMPARE(d.Adresse->pos(), QPoint(136, 8));

    LinkLabel* link = d.Label1;
    QCOMPARE(link->text(), QStringLiteral("Nähere Informationen zu dieser Meldung und Ihrer "
                                          "Ursachen erhalten Sie online hier."));
    QCOMPARE(link->pos(), QPoint(8, 152));
    QCOMPARE(link->width(), 398);
    QVERIFY(link->geometry().bottom() < 171);
    QVERIFY(link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(64, 128, 128));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    // The whole help line is readable within its width, whatever sans font is installed.
    QVERIFY(link->fontMetrics().horizontalAdvance(link->text()) <= link->width());
  }

  void tabOrderRunsIgnorierenBeendenErlaubenLoeschen() {
    TMeldung& d = *m_dialog;
    QList<QWidget*> order;
    QWidget* w = d.Ignorieren;
    do {
      if (w->focusPolicy() & Qt::TabFocus) order << w;
      w = w->nextInFocusChain();
    } while (w != d.Ignorieren);
    const QList<QWidget*> expected{d.Ignorieren, d.Beenden, d.Erlauben, d.Loeschen};
    QCOMPARE(order, expected);
  }

  void trafficLightsLightOneLamp_data() {
    QTest::addColumn<int>("lit");
    QTest::newRow("red") << 1;
    QTest::newRow("yellow") << 2;
    QTest::newRow("green") << 3;
    QTest::newRow("none") << 0;
  }
  void trafficLightsLightOneLamp() {
    QFETCH(int, lit);
    const QImage image = orv::trafficLight(lit);
    QCOMPARE(image.size(), QSize(74, 135));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);             // transparent around it
    QVERIFY(QColor(image.pixel(20, 46)).value() < 90);  // dark housing between lamps
    const int hues[3] = {4, 43, 133};                   // red, amber, green
    for (int lamp = 0; lamp < 3; ++lamp) {
      const QColor glass(image.pixel(lampGlass(lamp)));
      if (lamp + 1 == lit) {
        QVERIFY2(glass.value() > 200, qPrintable(QString::number(lamp)));
        QVERIFY2(qAbs(glass.hue() - hues[lamp]) < 20, qPrintable(QString::number(glass.hue())));
      } else {
        QVERIFY2(glass.value() < 110, qPrintable(QString::number(lamp)));
      }
    }
  }

  void picturesShowTheirLamp() {
    const QList<QLabel*> pictures{m_dialog->rot, m_dialog->Gelb, m_dialog->Gruen};
    for (QLabel* picture : pictures) {
      const int level = picture->property("Tag").toInt();
      QCOMPARE(picture->pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
               orv::trafficLight(level));
    }
  }

  // A key held down when the warning appears repeats into the dialog; it must not answer.
  // Only a press made while the dialog is up, and its release, do.
  void onlyAFreshKeystrokeAnswers_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
  }
  void onlyAFreshKeystrokeAnswers() {
    QFETCH(int, key);
    TMeldung& d = *m_dialog;
    d.setDefaultAnswer(3);
    QSignalSpy finished(&d, &QDialog::finished);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTRY_COMPARE(focusedAnswer(d), 3);

    for (int i = 0; i < 5; ++i) {
      sendKey(d, QEvent::KeyPress, key, true);
      sendKey(d, QEvent::KeyRelease, key, true);
    }
    sendKey(d, QEvent::KeyRelease, key, false);  // the held key is let go at last
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 0);
    QVERIFY(d.isVisible());

    sendKey(d, QEvent::KeyPress, key, false);
    sendKey(d, QEvent::KeyPress, key, true);  // held a little: still one keystroke
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 0);
    sendKey(d, QEvent::KeyRelease, key, false);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 3);
    QVERIFY(d.isHidden());
  }

  // Each new warning starts afresh: a press made during the last one does not carry over.
  void aPressFromAnEarlierShowDoesNotAnswer() {
    TMeldung& d = *m_dialog;
    d.setDefaultAnswer(1);
    QSignalSpy finished(&d, &QDialog::finished);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTRY_COMPARE(focusedAnswer(d), 1);
    sendKey(d, QEvent::KeyPress, Qt::Key_Return, false);
    d.Erlauben->click();
    QCOMPARE(finished.count(), 1);

    d.show();
    QTRY_COMPARE(focusedAnswer(d), 1);
    sendKey(d, QEvent::KeyRelease, Qt::Key_Return, false);
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 1);
    QVERIFY(d.isVisible());
    pressKey(d, Qt::Key_Return);
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toInt(), 1);
  }

  void escapeDoesNothingAndCloseGivesNoAnswer() {
    TMeldung& d = *m_dialog;
    d.setDefaultAnswer(2);
    QSignalSpy finished(&d, &QDialog::finished);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTRY_COMPARE(focusedAnswer(d), 2);
    pressKey(d, Qt::Key_Escape);
    QTest::keyClick(&d, Qt::Key_Escape);
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 0);
    QVERIFY(d.isVisible());

    QVERIFY(d.close());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 0);
    QVERIFY(d.isHidden());
  }

  void defaultButtonHasTheFocus_data() {
    QTest::addColumn<int>("answer");
    for (int answer = 1; answer <= 4; ++answer)
      QTest::newRow(qPrintable(QString::number(answer))) << answer;
  }
  void defaultButtonHasTheFocus() {
    QFETCH(int, answer);
    TMeldung& d = *m_dialog;
    d.setDefaultAnswer(answer);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QTRY_COMPARE(focusedAnswer(d), answer);

    // The user tabs on, switches to another window and comes back: the focus is on the
    // default answer again.
    QWidget* other = answer == 1 ? d.Beenden : d.Ignorieren;
    other->setFocus(Qt::TabFocusReason);
    QCOMPARE(d.focusWidget(), other);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&d, &deactivate);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&d, &activate);
    QCOMPARE(focusedAnswer(d), answer);
    d.done(0);
  }

  void pressDraggedOffTheLinkOpensNothing() {
    TMeldung& d = *m_dialog;
    d.Adresse->setText(kHelp);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTest::mousePress(d.Label1, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(d.Label1, Qt::LeftButton, {}, QPoint(5, 60));
    QVERIFY(m_browser.urls.isEmpty());
  }

  // A long path has no blanks to wrap at; the message still shows it, and says when it is
  // too long to show whole.
  void longPathsWrapInsideTheWord() {
    MessageLabel* text = m_dialog->Text;
    text->setText(QStringLiteral("Die Datei \"/home/user/") + QString(40, QLatin1Char('x')) +
                  QStringLiteral("/dialer.exe\" ist verdächtig."));
    QVERIFY(text->textFits());
    text->setText(QString(2000, QLatin1Char('y')));
    QVERIFY(!text->textFits());
    QCOMPARE(text->text(), QString(2000, QLatin1Char('y')));
  }

  // The lock's seconds make a caption longer than its button was made for; it still fits, and
  // the button has the dialog's font again once the count is over.
  void aCountingCaptionFitsItsButton() {
    for (QPushButton* button : m_dialog->answerButtons()) {
      m_dialog->setDefaultAnswer(button->property("Tag").toInt());
      m_dialog->Sperrtimer->start();
      m_dialog->show();
      QVERIFY(button->text().endsWith(QStringLiteral(" (30)")));
      QVERIFY(QFontMetrics(button->font()).horizontalAdvance(button->text()) < button->width() - 4);
      m_dialog->hide();
      QCOMPARE(button->font(), m_dialog->font());
    }
  }

  // A path too long for the dialog is shortened in its middle, so that the question after it
  // still shows; the tooltip shows the whole message.
  void aLongPathGivesWayToTheQuestion() {
    MessageLabel* text = m_dialog->Text;
    const QString path = QStringLiteral("/home/user/") + QString(600, QLatin1Char('x')) +
                         QStringLiteral("/dialer.exe");
    const QString whole = QStringLiteral("Es wurde der 0190 Dialer \"Test\" in der Datei \"") +
                          path + QStringLiteral("\" gefunden. Wie wollen sie reagieren?");
    text->setText(whole);
    QVERIFY(!text->textFits());
    const QString shown = text->shownText();
    QVERIFY(text->fits(shown));
    QVERIFY2(shown.startsWith(QStringLiteral("Es wurde der 0190 Dialer \"Test\" in der Datei "
                                             "\"/home/user/xx")),
             qPrintable(shown));
    QVERIFY2(shown.endsWith(QStringLiteral("x/dialer.exe\" gefunden. Wie wollen sie reagieren?")),
             qPrintable(shown));
    QCOMPARE(shown.count(QChar(0x2026)), 1);
    QVERIFY(shown.size() > 100);  // as much of the path as there is room for

    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), text->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(text, &hover);
    QCOMPARE(QToolTip::text(), whole);
  }

 private:
  std::unique_ptr<TMeldung> m_dialog;
  UrlRecorder m_browser;
};

QTEST_MAIN(TMeldungTest)
#include "tst_tmeldung.moc"
