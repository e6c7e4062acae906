#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "shell/dialogs.h"

// Answers the program's boxes without a screen and records what they showed.
// Install with ScriptedDialogs::installNew(); it stays in use until replaced.
class ScriptedDialogs final : public orv::Dialogs {
 public:
  static ScriptedDialogs& installNew() {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& ref = *dialogs;
    orv::Dialogs::install(std::move(dialogs));
    return ref;
  }

  // The next confirm() answers this (default: yes).
  void setNextConfirm(bool yes) { m_confirms.push_back(yes); }
  // The next saveFile() returns this name (empty = cancelled; default: cancelled).
  void setNextSaveFile(const QString& name) { m_saveFiles.push_back(name); }
  // The next printSetup() answers this (default: confirmed).
  void setNextPrintSetup(bool accepted) { m_printSetups.push_back(accepted); }

  void message(QWidget*, const QString& text) override { messages << text; }
  void error(QWidget*, const QString& text) override { errors << orv::withFullStop(text); }
  bool confirm(QWidget*, const QString& caption, const QString& text) override {
    questions << caption + QLatin1Char('|') + text;
    return take(m_confirms, true);
  }
  QString saveFile(QWidget*, const QString& initialName, const QString& filter) override {
    saveRequests << initialName + QLatin1Char('|') + filter;
    return take(m_saveFiles, QString());
  }
  bool printSetup(QWidget*, QPrinter* printer) override {
    ++printSetupCount;
    if (choosePrinter) choosePrinter(printer);
    return take(m_printSetups, true);
  }

  QStringList messages;
  QStringList errors;
  QStringList questions;
  QStringList saveRequests;
  int printSetupCount = 0;
  // What the user sets in the print dialog, if anything.
  std::function<void(QPrinter*)> choosePrinter;

 private:
  template <typename T>
  static T take(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = queue.front();
    queue.pop_front();
    return value;
  }
  std::deque<bool> m_confirms;
  std::deque<QString> m_saveFiles;
  std::deque<bool> m_printSetups;
};
