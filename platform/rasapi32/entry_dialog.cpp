#include "entry_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "entry_editor.h"
#include "rasapi32.h"

namespace orv::ras {
namespace {

QString shown(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<int>(bytes.size()));
}

// A field's new bytes: the old ones when the text was not touched, so that a value that is
// not UTF-8 survives a dialog closed with OK.
std::string edited(const QLineEdit* field, const std::string& old) {
  return field->text() == shown(old) ? old : field->text().toUtf8().toStdString();
}

QLineEdit* addField(QFormLayout* form, const char* name, const QString& label,
                    const std::string& value, const FieldAccess& access) {
  auto* field = new QLineEdit(shown(value));
  field->setObjectName(QLatin1String(name));
  field->setReadOnly(!access.writable);
  form->addRow(label, field);
  return field;
}

}  // namespace

std::uint32_t showEntryDialog(std::uintptr_t owner, const std::string& entry,
                              const EntryDialogContent& content) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
      QThread::currentThread() != QCoreApplication::instance()->thread())
    return RAS_ERROR_NO_DIALOG;

  QWidget* ownerWidget = owner ? QWidget::find(static_cast<WId>(owner)) : nullptr;
  // On the heap, gone when closed: the owner window may be closed while the dialog runs,
  // and then takes the dialog with it.
  auto* dialogOnHeap = new QDialog(ownerWidget ? ownerWidget->window() : nullptr);
  dialogOnHeap->setAttribute(Qt::WA_DeleteOnClose);
  QDialog& dialog = *dialogOnHeap;
  dialog.setObjectName(QStringLiteral("DFUEintrag"));
  dialog.setWindowTitle(QStringLiteral("Verbindung bearbeiten - ") + shown(entry));
  dialog.setModal(true);

  auto* layout = new QVBoxLayout(&dialog);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  QLineEdit* number = addField(form, "Rufnummer", QStringLiteral("Rufnummer:"),
                               content.values.number, content.number);
  QLineEdit* user = addField(form, "Benutzername", QStringLiteral("Benutzername:"),
                             content.values.user, content.user);
  QLineEdit* password = addField(form, "Kennwort", QStringLiteral("Kennwort:"),
                                 content.values.password, content.password);

  // Why fields cannot be changed; later also why saving failed.
  QStringList reasons;
  for (const FieldAccess* a : {&content.number, &content.user, &content.password})
    if (!a->writable && !a->reason.empty() && !reasons.contains(shown(a->reason)))
      reasons << shown(a->reason);
  auto* note = new QLabel(reasons.isEmpty() ? QString()
                                            : QStringLiteral("Nur zur Ansicht:\n") +
                                                  reasons.join(QLatin1Char('\n')));
  note->setObjectName(QStringLiteral("Hinweis"));
  note->setWordWrap(true);
  note->setVisible(!reasons.isEmpty());
  layout->addWidget(note);

  auto* buttons = new QDialogButtonBox;
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OK"));
  ok->setDefault(true);
  QPushButton* cancel =
      buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Abbrechen"));
  layout->addWidget(buttons);

  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
    const EntryValues values{edited(number, content.values.number),
                             edited(user, content.values.user),
                             edited(password, content.values.password)};
    const std::string failure = content.save(values);
    if (failure.empty()) {
      dialog.accept();
      return;
    }
    // The dialog stays open, so nothing the user typed is lost.
    note->setText(shown(failure));
    note->setVisible(true);
  });
  dialog.exec();
  return RAS_SUCCESS;
}

std::uint32_t editEntryInDialog(std::uintptr_t owner, const PppPaths& paths,
                                const std::string& entry) {
  const EntryEditor editor(paths);
  EntryEditPlan plan;
  const std::uint32_t loaded = editor.load(entry, plan);
  if (loaded != RAS_SUCCESS) return loaded;
  return showEntryDialog(owner, entry,
                         {plan.values, plan.number, plan.user, plan.password,
                          [&](const EntryValues& values) { return editor.save(plan, values); }});
}

}  // namespace orv::ras
