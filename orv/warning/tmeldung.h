#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;
class QTimer;

namespace orv {

class LinkLabel;
class MessageLabel;

// The warning dialog: one question about a finding, four answers, a help link and a
// security lock that answers by itself. Created hidden once at start-up and reused for every
// warning; WarningPresenter fills it and runs it. The controls carry the names of the
// window's layout (also as object names) and their answer or level as the int property "Tag".
class TMeldung : public QDialog {
  Q_OBJECT

 public:
  // The lock answers a warning this long after it was shown.
  static constexpr int kLockPeriodMs = 30000;

  explicit TMeldung(QWidget* parent = nullptr);

  // Time the lock gives the user; kLockPeriodMs unless a test shortens it.
  void setLockPeriod(int milliseconds);
  int lockPeriod() const;

  // The default answer of the current warning, kept in the dialog's own Tag.
  int defaultAnswer() const;
  void setDefaultAnswer(int answer);

  // The four answer buttons in the order the default answer is looked up.
  QList<QPushButton*> answerButtons() const;
  // The caption of an answer button without the lock's countdown.
  static QString captionOf(const QPushButton* button);

  // Controls.
  QLabel* const Titel;
  MessageLabel* const Text;
  QLabel* const rot;
  QLabel* const Gelb;
  QLabel* const Gruen;
  QPushButton* const Ignorieren;
  QPushButton* const Erlauben;
  QPushButton* const Loeschen;
  QPushButton* const Beenden;
  LinkLabel* const Label1;
  QLabel* const Adresse;
  QTimer* const Sperrtimer;

  // Event handlers.
  void IgnorierenClick(QObject* Sender);  // every answer button: end with its Tag
  void SperrtimerTimer(QObject* Sender);  // the lock ran out: end with the default answer
  void Label1Click(QObject* Sender);      // help link: end the lock, open the help page
  void FormShow(QObject* Sender);
  void FormActivate(QObject* Sender);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void disarmKey();
  // While the lock runs, the default button shows the seconds left before it answers.
  void showLockCountdown();

  // An Enter, Return or Space pressed afresh while the dialog is up; only its release
  // answers, so a key that was held down when the warning appeared cannot.
  int m_armedKey = 0;
  QPointer<QPushButton> m_armedButton;
  QTimer* const m_countdown;  // refreshes the seconds while the dialog is up
};

}  // namespace orv
