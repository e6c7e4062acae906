#include "warning/warning_presenter.h"

#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "warning/message_label.h"
#include "warning/tmeldung.h"
#include "warning/warning_codes.h"

namespace orv {

struct WarningPresenter::Request {
  QString title;
  QString text;
  QString helpAddress;
  bool lock = false;
  bool ignorierenEnabled = true;
  bool loeschenEnabled = true;
  bool beendenEnabled = true;
  bool erlaubenEnabled = true;
  int level = 0;
  int defaultAnswer = 0;

  QEventLoop* loop = nullptr;
  bool answered = false;
  int answer = NoAnswer;
};

WarningPresenter::WarningPresenter(TMeldung& dialog, Hooks hooks,
                                   std::unique_ptr<WarningSound> sound, QObject* parent)
    : QObject(parent),
      m_dialog(&dialog),
      m_dialogObject(&dialog),
      m_hooks(std::move(hooks)),
      m_sound(sound ? std::move(sound) : std::make_unique<DesktopWarningSound>()) {
  dialog.installEventFilter(this);
}

WarningPresenter::~WarningPresenter() {
  if (m_dialog) {
    m_dialog->removeEventFilter(this);
    if (m_current) m_dialog->hide();
  }
}

int WarningPresenter::showWarning(const QString& title, const QString& text,
                                  const QString& helpAddress, bool lock, bool ignorierenEnabled,
                                  bool loeschenEnabled, bool beendenEnabled, bool erlaubenEnabled,
                                  int level, int defaultAnswer) {
  if (!m_dialog) return NoAnswer;

  Request request;
  request.title = title;
  request.text = text;
  request.helpAddress = helpAddress;
  request.lock = lock;
  request.ignorierenEnabled = ignorierenEnabled;
  request.loeschenEnabled = loeschenEnabled;
  request.beendenEnabled = beendenEnabled;
  request.erlaubenEnabled = erlaubenEnabled;
  request.level = level;
  request.defaultAnswer = defaultAnswer;

  // Every warning waits in a loop of its own until its own answer is in. The dialog is put up
  // from inside that loop, so a warning asked for after the application was told to quit
  // (when no loop runs any more) is never shown and gets no answer.
  QEventLoop loop;
  request.loop = &loop;
  m_waiting.push_back(&request);
  schedulePresentNext();
  loop.exec(QEventLoop::DialogExec);

  if (!request.answered) withdraw(request);
  return request.answered ? request.answer : NoAnswer;
}

void WarningPresenter::schedulePresentNext() {
  QMetaObject::invokeMethod(this, &WarningPresenter::presentNext, Qt::QueuedConnection);
}

void WarningPresenter::presentNext() {
  if (m_current || !m_dialog) return;
  // Loops that were told to end (the application is quitting) take their requests back
  // when they unwind; they are not shown any more.
  const auto next = std::find_if(m_waiting.begin(), m_waiting.end(),
                                 [](const Request* r) { return r->loop->isRunning(); });
  if (next == m_waiting.end()) return;
  Request& request = **next;
  m_waiting.erase(next);
  present(request);
}

void WarningPresenter::present(Request& request) {
  TMeldung& dialog = *m_dialog;

  // The sound starts first and is not waited for.
  if (m_hooks.soundWanted && m_hooks.soundWanted()) m_sound->play();

  dialog.Titel->setText(request.title);
  dialog.Titel->adjustSize();
  dialog.Adresse->setText(request.helpAddress);
  dialog.Text->setText(request.text);

  dialog.Ignorieren->setEnabled(request.ignorierenEnabled);
  dialog.Erlauben->setEnabled(request.erlaubenEnabled);
  dialog.Loeschen->setEnabled(request.loeschenEnabled);
  dialog.Beenden->setEnabled(request.beendenEnabled);

  dialog.setDefaultAnswer(request.defaultAnswer);

  // A fresh full period for every warning, whatever an earlier one left behind.
  if (request.lock) {
    dialog.Sperrtimer->start();
  } else {
    dialog.Sperrtimer->stop();
  }

  dialog.rot->setVisible(request.level == LevelRed);
  dialog.Gruen->setVisible(request.level == LevelGreen);
  dialog.Gelb->setVisible(request.level == LevelYellow);

  if (m_hooks.bringMainWindowToFront) m_hooks.bringMainWindowToFront();

  m_current = &request;
  dialog.setResult(NoAnswer);
  dialog.show();
}

bool WarningPresenter::eventFilter(QObject* watched, QEvent* event) {
  // However the dialog goes away (answer, lock, window manager's close, hide), the warning
  // on it is over with the dialog's result: the answer, or 0 when there was none.
  // Spontaneous hides only mean the window was minimised.
  if (watched == m_dialogObject && event->type() == QEvent::Hide && !event->spontaneous() &&
      m_current) {
    finish(m_dialog->result());
  }
  return QObject::eventFilter(watched, event);
}

void WarningPresenter::finish(int answer) {
  Request* request = m_current;
  m_current = nullptr;
  request->answer = answer;
  request->answered = true;
  request->loop->quit();
  schedulePresentNext();
}

void WarningPresenter::withdraw(Request& request) {
  m_waiting.erase(std::remove(m_waiting.begin(), m_waiting.end(), &request), m_waiting.end());
  if (m_current != &request) return;
  m_current = nullptr;
  if (m_dialog) m_dialog->hide();
  schedulePresentNext();
}

}  // namespace orv
