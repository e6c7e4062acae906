#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "warning/tmeldung.h"
#include "warning/warning_sound.h"

// Runs `action` once, as soon as `ready` holds. It is polled from the event loop, so it also
// fires inside the dialog's modal run (the test's own call is blocked there).
inline void whenTrue(QObject* context, std::function<bool()> ready, std::function<void()> action) {
  auto* poll = new QTimer(context);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, ready, action] {
    if (!ready()) return;
    poll->stop();
    poll->deleteLater();
    const std::function<void()> run = action;  // the poll may go while `run` waits in a loop
    run();
  });
  poll->start();
}

// Runs `action` once the warning titled `title` is on screen.
inline void whenShowing(orv::TMeldung& dialog, const QString& title, std::function<void()> action) {
  whenTrue(
      &dialog, [&dialog, title] { return dialog.isVisible() && dialog.Titel->text() == title; },
      std::move(action));
}

// Sends one key event to the widget that has the keyboard focus in `dialog`.
inline void sendKey(orv::TMeldung& dialog, QEvent::Type type, int key, bool autoRepeat) {
  QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
  const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QStringLiteral("\r");
  const Qt::KeyboardModifiers modifiers =
      key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
  QKeyEvent event(type, key, modifiers, text, autoRepeat);
  QApplication::sendEvent(target, &event);
}

// A fresh press and release, as a user's deliberate keystroke.
inline void pressKey(orv::TMeldung& dialog, int key) {
  sendKey(dialog, QEvent::KeyPress, key, false);
  sendKey(dialog, QEvent::KeyRelease, key, false);
}

// The Tag of the focused answer button, 0 when none has the focus.
inline int focusedAnswer(const orv::TMeldung& dialog) {
  auto* button = qobject_cast<QPushButton*>(dialog.focusWidget());
  return button ? button->property("Tag").toInt() : 0;
}

// Takes the place of the browser: records every address the program asks to open.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls << url; }
};

// Records the moments the warning sound is started.
class RecordingSound final : public orv::WarningSound {
 public:
  void play() override {
    ++plays;
    if (onPlay) onPlay();
  }
  int plays = 0;
  std::function<void()> onPlay;
};
