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
//
// A warning left for the lock is closed without an answer once kLeftOpenLimitMs have passed,
// so that a test whose lock never answers fails on what it finds instead of hanging.
class WarningAnswerer : public QObject {
 public:
  static constexpr int kLeftOpenLimitMs = 20000;

  explicit WarningAnswerer(orv::TMeldung& dialog) : m_dialog(&dialog) {
    dialog.installEventFilter(this);
    m_limit.setSingleShot(true);
    m_limit.setInterval(kLeftOpenLimitMs);
    connect(&m_limit, &QTimer::timeout, this, [this] {
      if (!m_dialog || !m_dialog->isVisible()) return;
      ++closedUnanswered;
      m_dialog->done(0);
    });
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
  QList<int> levels;           // per warning, the lit lamp: 1 red, 2 yellow, 3 green, 0 none
  QList<int> defaults;         // per warning, the default answer
  QStringList helpAddresses;
  int closedUnanswered = 0;  // warnings left for a lock that did not answer in time

 private:
  // Every showing of the dialog is a new warning; it is answered from inside its modal run.
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The type first: a dialog being destroyed must not be looked at as a TMeldung.
    if (event->type() == QEvent::Show && watched == m_dialog)
      QTimer::singleShot(0, this, [this] { answer(); });
    if (event->type() == QEvent::Hide && watched == m_dialog) m_limit.stop();
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
    int level = 0;
    for (const char* name : {"rot", "Gelb", "Gruen"})
      if (m_dialog->findChild<QLabel*>(QLatin1String(name))->isVisible())
        level = m_dialog->findChild<QLabel*>(QLatin1String(name))->property("Tag").toInt();
    levels << level;
    defaults << m_dialog->defaultAnswer();
    helpAddresses << m_dialog->findChild<QLabel*>(QStringLiteral("Adresse"))->text();
    QString button = QStringLiteral("Ignorieren");
    if (!m_buttons.empty()) {
      button = m_buttons.front();
      m_buttons.pop_front();
    }
    if (button.isEmpty())
      m_limit.start();
    else
      m_dialog->findChild<QAbstractButton*>(button)->click();
  }

  QPointer<orv::TMeldung> m_dialog;
  std::deque<QString> m_buttons;
  QTimer m_limit;  // runs while a warning is left for the lock
};
