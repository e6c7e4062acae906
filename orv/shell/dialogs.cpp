#include "shell/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

#include "detect/file_changes.h"

namespace orv {
namespace {

class QtDialogs final : public Dialogs {
 public:
  void message(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, parent);
    box.exec();
  }

  void error(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::Critical, applicationTitle(), withFullStop(text), QMessageBox::Ok,
                    parent);
    box.exec();
  }

  bool confirm(QWidget* parent, const QString& caption, const QString& text) override {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    // Only the yes button means yes: a box closed without an answer (also when the program
    // ends under it) answers no.
    return box.clickedButton() == yes;
  }

  QString saveFile(QWidget* parent, const QString& initialName, const QString& filter) override {
    QFileDialog dialog(parent, QString(), initialName, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Existing files are replaced without a question; no extension is added.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
  }

  bool printSetup(QWidget* parent, QPrinter* printer) override {
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
  }
};

std::unique_ptr<Dialogs>& slot() {
  static std::unique_ptr<Dialogs> dialogs;
  return dialogs;
}

Dialogs& installed() {
  if (!slot()) slot() = std::make_unique<QtDialogs>();
  return *slot();
}

// Every box lets the user act meanwhile, and what follows an answer may write a file: once a
// box is closed, look-ups made ahead by a running scan are stale (see FileChanges).
class NotingFileChanges final : public Dialogs {
 public:
  void message(QWidget* parent, const QString& text) override {
    installed().message(parent, text);
    FileChanges::note();
  }
  void error(QWidget* parent, const QString& text) override {
    installed().error(parent, text);
    FileChanges::note();
  }
  bool confirm(QWidget* parent, const QString& caption, const QString& text) override {
    const bool yes = installed().confirm(parent, caption, text);
    FileChanges::note();
    return yes;
  }
  QString saveFile(QWidget* parent, const QString& initialName, const QString& filter) override {
    QString name = installed().saveFile(parent, initialName, filter);
    FileChanges::note();
    return name;
  }
  bool printSetup(QWidget* parent, QPrinter* printer) override {
    const bool accepted = installed().printSetup(parent, printer);
    FileChanges::note();
    return accepted;
  }
};

}  // namespace

Dialogs& Dialogs::current() {
  static NotingFileChanges noting;
  return noting;
}

std::unique_ptr<Dialogs> Dialogs::install(std::unique_ptr<Dialogs> dialogs) {
  std::unique_ptr<Dialogs> previous = std::move(slot());
  slot() = std::move(dialogs);
  return previous;
}

QString withFullStop(const QString& text) {
  return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

}  // namespace orv
