#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

#include "warning/warning_sound.h"

namespace orv {

class TMeldung;

// Puts one question about a finding to the user through the warning dialog and returns the
// answer: the main window's ShowWarning.
//
// Warnings can be asked for while one is open: monitor timers keep running inside the modal
// run. The open warning is left alone; later ones wait their turn, are shown one after the
// other in the order they were asked, and each caller gets the answer to its own question.
class WarningPresenter : public QObject {
  Q_OBJECT

 public:
  // What a warning needs from the main window.
  struct Hooks {
    // Whether the warning sound is on; read at every warning.
    std::function<bool()> soundWanted;
    // Show the main window, restore it from minimised, bring it to the front and install its
    // minimise handler again, so that the warning stands in front of a visible window.
    std::function<void()> bringMainWindowToFront;
  };

  // `dialog` must outlive the presenter. Without `sound`, the desktop's warning sound is used.
  WarningPresenter(TMeldung& dialog, Hooks hooks, std::unique_ptr<WarningSound> sound = nullptr,
                   QObject* parent = nullptr);
  ~WarningPresenter() override;

  // Shows a warning and waits for its answer: the Tag of the clicked button, the default
  // answer when the lock ran out, or NoAnswer (0) when the warning ended otherwise (closed
  // by the window manager, the application quitting).
  int showWarning(const QString& title, const QString& text, const QString& helpAddress, bool lock,
                  bool ignorierenEnabled, bool loeschenEnabled, bool beendenEnabled,
                  bool erlaubenEnabled, int level, int defaultAnswer);

  // True while a warning is on screen.
  bool isShowing() const { return m_current != nullptr; }
  // Number of warnings asked for that wait for the open one to be answered.
  int waitingCount() const { return static_cast<int>(m_waiting.size()); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Request;

  void schedulePresentNext();
  void presentNext();
  void present(Request& request);
  void finish(int answer);
  void withdraw(Request& request);

  QPointer<TMeldung> m_dialog;
  // The same dialog as a plain object, for telling its events apart while it is being
  // destroyed (it is no TMeldung any more then).
  const QObject* m_dialogObject;
  Hooks m_hooks;
  std::unique_ptr<WarningSound> m_sound;
  std::deque<Request*> m_waiting;
  Request* m_current = nullptr;
};

}  // namespace orv
