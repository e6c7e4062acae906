#include "warning/tmeldung.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include "shell/dialogs.h"
#include "warning/link_label.h"
#include "warning/message_label.h"
#include "warning/traffic_light.h"

namespace orv {
namespace {

constexpr int kClientWidth = 411;
constexpr int kClientHeight = 171;
// The layout is in pixels, so the text size is too: 11 px is 8 points on a 96 dpi screen.
constexpr int kFontPixels = 11;
constexpr int kSmallestPixels = 8;  // for the help link and a counting caption

const char* const kTag = "Tag";
const char* const kCaption = "caption";  // an answer button's caption without the countdown
// Often enough that the seconds shown never lag a whole second behind.
constexpr int kCountdownRefreshMs = 200;

QFont dialogFont() {
  QFont font = QApplication::font();
  const QString classic = QStringLiteral("MS Sans Serif");
  if (QFontDatabase::families().contains(classic)) font.setFamily(classic);
  font.setPixelSize(kFontPixels);
  return font;
}

QLabel* makePicture(QWidget* parent, const char* name, int level) {
  auto* picture = new QLabel(parent);
  picture->setObjectName(QLatin1String(name));
  picture->setGeometry(8, 8, kTrafficLightWidth, kTrafficLightHeight);
  picture->setPixmap(QPixmap::fromImage(trafficLight(level)));
  picture->setProperty(kTag, level);
  picture->hide();
  return picture;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint, int left, int tag) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(left, 120, 75, 25);
  button->setToolTip(hint);
  button->setProperty(kTag, tag);
  button->setProperty(kCaption, caption);
  return button;
}

bool isAnswerKey(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

// Shrinks the widget's font, down to the smallest size, until `text` fits into `width`.
void shrinkFontToFit(QWidget* widget, const QString& text, int width) {
  QFont font = widget->font();
  while (font.pixelSize() > kSmallestPixels && QFontMetrics(font).horizontalAdvance(text) > width) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  widget->setFont(font);
}

// A caption with the lock's seconds is longer than the buttons were made for: its font shrinks
// until it fits. It only ever shrinks while the seconds count down, so it stays steady.
void fitCaption(QPushButton* button) {
  const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
  shrinkFontToFit(button, button->text(), button->width() - 2 * frame - 4);
}

}  // namespace

TMeldung::TMeldung(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      Titel(new QLabel(this)),
      Text(new MessageLabel(this)),
      rot(makePicture(this, "rot", 1)),
      Gelb(makePicture(this, "Gelb", 2)),
      Gruen(makePicture(this, "Gruen", 3)),
      Ignorieren(makeButton(this, "Ignorieren", QStringLiteral("Ignorieren"),
                            QStringLiteral("Die Meldung ignorieren und fortfahren."), 88, 1)),
      Erlauben(makeButton(this, "Erlauben", QStringLiteral("Erlauben"),
                          QStringLiteral("Die Verbindungen bzw. das Programm permanent erlauben."),
                          168, 2)),
      Loeschen(makeButton(this, "Loeschen", QStringLiteral("Löschen"),
                          QStringLiteral("Die Verbindung oder das Programm löschen."), 248, 3)),
      Beenden(makeButton(this, "Beenden", QStringLiteral("Beenden"),
                         QStringLiteral("Das Programm bzw. die Verbindung beenden."), 328, 4)),
      Label1(new LinkLabel(this)),
      Adresse(new QLabel(this)),
      Sperrtimer(new QTimer(this)),
      m_countdown(new QTimer(this)) {
  setWindowTitle(QStringLiteral("ORV 3.0 Warnmeldung"));
  setFixedSize(kClientWidth, kClientHeight);
  setWindowModality(Qt::ApplicationModal);
  // Answering a warning while the main window sits hidden in the tray must not end the
  // program as the last window closing would.
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setFont(dialogFont());
  setProperty(kTag, 0);

  Titel->setObjectName(QStringLiteral("Titel"));
  Titel->setTextFormat(Qt::PlainText);
  QFont bold = font();
  bold.setBold(true);
  Titel->setFont(bold);
  Titel->move(88, 8);
  Titel->setMaximumWidth(kClientWidth - 88 - 8);

  Text->setObjectName(QStringLiteral("Text"));
  Text->setGeometry(88, 24, 313, 89);

  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setText(QStringLiteral(
      "Nähere Informationen zu dieser Meldung und Ihrer Ursachen erhalten Sie online hier."));
  QFont underlined = font();
  underlined.setUnderline(true);
  Label1->setFont(underlined);
  // The help line is long for its fixed width in many sans fonts: shrink it until it fits.
  shrinkFontToFit(Label1, Label1->text(), 398);
  QPalette linkColour = Label1->palette();
  linkColour.setColor(QPalette::WindowText, QColor(64, 128, 128));
  Label1->setPalette(linkColour);
  Label1->setCursor(Qt::PointingHandCursor);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Fonts taller than the classic one get the few spare pixels below the line.
  const int linkHeight = qBound(13, Label1->fontMetrics().height(), kClientHeight - 152);
  Label1->setGeometry(8, 152, 398, linkHeight);

  Adresse->setObjectName(QStringLiteral("Adresse"));
  Adresse->setTextFormat(Qt::PlainText);
  Adresse->move(136, 8);
  Adresse->hide();

  Sperrtimer->setObjectName(QStringLiteral("Sperrtimer"));
  Sperrtimer->setTimerType(Qt::PreciseTimer);
  Sperrtimer->setInterval(kLockPeriodMs);

  setTabOrder(Ignorieren, Beenden);
  setTabOrder(Beenden, Erlauben);
  setTabOrder(Erlauben, Loeschen);

  for (QPushButton* button : answerButtons()) {
    connect(button, &QPushButton::clicked, this, [this, button] { IgnorierenClick(button); });
    button->installEventFilter(this);
  }
  connect(Sperrtimer, &QTimer::timeout, this, [this] { SperrtimerTimer(Sperrtimer); });
  m_countdown->setInterval(kCountdownRefreshMs);
  connect(m_countdown, &QTimer::timeout, this, &TMeldung::showLockCountdown);
  connect(Label1, &LinkLabel::clicked, this, [this] { Label1Click(Label1); });
}

void TMeldung::setLockPeriod(int milliseconds) {
  Sperrtimer->setInterval(milliseconds);
}

int TMeldung::lockPeriod() const {
  return Sperrtimer->interval();
}

int TMeldung::defaultAnswer() const {
  return property(kTag).toInt();
}

void TMeldung::setDefaultAnswer(int answer) {
  setProperty(kTag, answer);
}

QList<QPushButton*> TMeldung::answerButtons() const {
  return {Ignorieren, Erlauben, Loeschen, Beenden};
}

QString TMeldung::captionOf(const QPushButton* button) {
  return button->property(kCaption).toString();
}

void TMeldung::showLockCountdown() {
  // The lock's own timer decides when it answers; this only shows how long that is.
  const int remaining = Sperrtimer->isActive() && isVisible() ? Sperrtimer->remainingTime() : -1;
  for (QPushButton* button : answerButtons()) {
    QString caption = captionOf(button);
    const bool counting = remaining >= 0 && button->property(kTag).toInt() == defaultAnswer();
    if (counting) caption += QStringLiteral(" (%1)").arg((remaining + 999) / 1000);
    if (button->text() == caption) continue;
    button->setText(caption);
    if (counting)
      fitCaption(button);
    else
      button->setFont(QFont());  // the dialog's again
  }
}

void TMeldung::IgnorierenClick(QObject* Sender) {
  if (Sender) done(Sender->property(kTag).toInt());
}

void TMeldung::SperrtimerTimer(QObject*) {
  Sperrtimer->stop();
  done(defaultAnswer());
}

void TMeldung::Label1Click(QObject*) {
  if (Sperrtimer->isActive()) {
    Sperrtimer->stop();
    showLockCountdown();
    Dialogs::current().message(this, QStringLiteral("Der Sicherheitstimer wurde DEAKTIVIERT!!"));
  }
  // Whether a browser opens is not our concern: the question stands either way.
  QDesktopServices::openUrl(QUrl::fromUserInput(Adresse->text()));
}

void TMeldung::FormShow(QObject*) {
  // The window is always on top by its flags; raising puts it above other such windows.
  raise();
}

void TMeldung::FormActivate(QObject*) {
  for (QPushButton* button : answerButtons()) {
    if (button->property(kTag).toInt() == defaultAnswer()) {
      button->setFocus(Qt::ActiveWindowFocusReason);
      break;
    }
  }
}

bool TMeldung::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  if (event->type() == QEvent::WindowActivate) FormActivate(this);
  return handled;
}

bool TMeldung::eventFilter(QObject* watched, QEvent* event) {
  auto* button = qobject_cast<QPushButton*>(watched);
  if (!button) return QDialog::eventFilter(watched, event);

  if (event->type() == QEvent::FocusOut && button == m_armedButton) disarmKey();
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
    return QDialog::eventFilter(watched, event);
  }
  auto* key = static_cast<QKeyEvent*>(event);
  if (!isAnswerKey(key->key())) return QDialog::eventFilter(watched, event);

  // The buttons would answer on a press, or on an auto-repeated one; answer only on the
  // release of a press that began while the warning was up.
  if (key->isAutoRepeat()) return true;
  if (event->type() == QEvent::KeyPress) {
    if (m_armedButton && m_armedButton != button) m_armedButton->setDown(false);
    m_armedKey = key->key();
    m_armedButton = button;
    button->setDown(true);
  } else if (m_armedKey == key->key() && m_armedButton == button) {
    disarmKey();
    if (button->isEnabled()) button->click();
  }
  return true;
}

void TMeldung::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:  // no cancel: the question has to be answered
    case Qt::Key_Return:  // answers come from the focused button alone
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TMeldung::showEvent(QShowEvent* event) {
  disarmKey();
  QDialog::showEvent(event);
  if (!event->spontaneous()) {
    m_countdown->start();
    showLockCountdown();
    FormShow(this);
    // Focus is set here too, for window managers that do not activate the dialog at once.
    FormActivate(this);
  }
}

void TMeldung::hideEvent(QHideEvent* event) {
  disarmKey();
  // Once the dialog is closed the lock has nothing left to answer.
  if (!event->spontaneous()) {
    Sperrtimer->stop();
    m_countdown->stop();
    showLockCountdown();
  }
  QDialog::hideEvent(event);
}

void TMeldung::disarmKey() {
  if (m_armedButton) m_armedButton->setDown(false);
  m_armedKey = 0;
  m_armedButton = nullptr;
}

}  // namespace orv
