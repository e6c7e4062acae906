#pragma once

#include <QString>
#include <memory>

class QWidget;
class QPrinter;

namespace orv {

// Every message box, error box, question, save-file and print dialog of the program goes
// through this one seam, so that tests can answer them without a screen.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A simple message box: the application title as caption, the text, one "OK" button.
  virtual void message(QWidget* parent, const QString& text) = 0;
  // An error box: application title, stop icon; a full stop is appended when missing.
  virtual void error(QWidget* parent, const QString& text) = 0;
  // A yes/no question with a question icon; "&Ja" is the default button, Escape answers no.
  virtual bool confirm(QWidget* parent, const QString& caption, const QString& text) = 0;
  // The save dialog: the chosen file name, or an empty text when the user cancelled.
  virtual QString saveFile(QWidget* parent, const QString& initialName, const QString& filter) = 0;
  // The print dialog for `printer`: true when the user confirmed.
  virtual bool printSetup(QWidget* parent, QPrinter* printer) = 0;

  // The dialogs in use; a Qt implementation unless something else was installed. The end of
  // every box is noted as a moment at which files may have changed (FileChanges).
  static Dialogs& current();
  // Replaces the dialogs in use (tests install a scripted one) and returns the previous ones.
  static std::unique_ptr<Dialogs> install(std::unique_ptr<Dialogs> dialogs);
};

// The error text as an error box shows it: with a full stop at the end.
QString withFullStop(const QString& text);

// The title of the application, caption of every box: "ORV 3.0".
inline const QString& applicationTitle() {
  static const QString title = QStringLiteral("ORV 3.0");
  return title;
}

}  // namespace orv
