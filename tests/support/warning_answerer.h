#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>

#include "warning/tmeldung.h"

// Answers the warnings the program puts to the user by clicking the named button of the
// warning dialog as soon as it is shown, and records what each warning said.
class WarningAnswerer : public QObject {
 public:
  explicit WarningAnswerer(orv::TMeldung& dialog) : m_dialog(&dialog) {
    dialog.installEventFilter(this);
  }

  // The next warnings are answered with these buttons ("Ignorieren", "Erlauben", "Loeschen",
  // "Beenden"); an empty name leaves that warning alone (for the lock to answer). A warning
  // beyond the list is ignored, so that a test expecting fewer fails on its count instead of
  // waiting for a click forever.
  void answerWith(const QStringList& buttons) {
    for (const QString& b : buttons) m_buttons.push_back(b);
  }

  QStringList titles;
  QStringList texts;
  QStringList enabledButtons;  // per warning, e.g. "IEL" for Ignorieren, Erlauben, Loeschen

 private:
  // Every showing of the dialog is a new warning; it is answered from inside its modal run.
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The type first: a dialog being destroyed must not be looked at as a TMeldung.
    if (event->type() == QEvent::Show && watched == m_dialog)
      QTimer::singleShot(0, this, [this] { answer(); });
    return false;
  }

  void answer() {
    if (!m_dialog || !m_dialog->isVisible()) return;
    titles << m_dialog->findChild<QLabel*>(QStringLiteral("Titel"))->text();
    texts << m_dialog->findChild<QLabel*>(QStringLiteral("Text"))->text();
    QString enabled;
    for (const char* name : {"Ignorieren", "Erlauben", "Loeschen", "Beenden"})
      if (m_dialog->findChild<QAbstractButton*>(QLatin1String(name))->isEnabled())
        enabled += QLatin1Char(name[0]);
    enabledButtons << enabled;
    QString button = QStringLiteral("Ignorieren");
    if (!m_buttons.empty()) {
      button = m_buttons.front();
      m_buttons.pop_front();
    }
    if (!button.isEmpty()) m_dialog->findChild<QAbstractButton*>(button)->click();
  }

  QPointer<orv::TMeldung> m_dialog;
  std::deque<QString> m_buttons;
};
