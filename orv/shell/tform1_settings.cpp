// The main window's settings: loading the stored options and lists into the controls at
// start, storing them at the end, and the option that starts ORV with the desktop session.
#include <QCheckBox>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QSpinBox>
#include <utility>

#include "detect/allowed_list.h"
#include "shell/autostart_entry.h"
#include "shell/dialogs.h"
#include "shell/orv_error.h"
#include "shell/tform1.h"

namespace orv {

void TForm1::LoadSettings() {
  m_storedFiles = SettingsStore(BaseDir);
  Settings = m_storedFiles.readOptions();
  applyStoredOptions();
  m_storedFiles.release(StoredFile::Options);

  Erlaubt->setPlainText(m_storedFiles.readAllowedList().join(QLatin1Char('\n')));
  m_storedFiles.release(StoredFile::AllowedList);

  // Released at the end only if the marks come from a list that was really built.
  KnownConnections = m_storedFiles.readConnections();
}

void TForm1::applyStoredOptions() {
  // Setting a control runs its change handler exactly where the value changes, as a click
  // would; the handlers of the lock and the sound write into Settings, so work from a copy.
  const TSettings stored = Settings;
  m_applyingOptions = true;
  const auto done = qScopeGuard([this] {
    m_applyingOptions = false;
    m_pendingOptionError.clear();
  });
  const auto tick = [this](QCheckBox* box, uint8_t byte) {
    box->setChecked(byte != 0);
    throwPendingOptionError();
  };
  const auto number = [this](QSpinBox* box, int32_t value) {
    box->setValue(value);
    throwPendingOptionError();
  };
  tick(AutoStart, stored.AutoStart);
  tick(Minimiert, stored.Minimiert);
  tick(Sperre, stored.Sperre);
  tick(Warnsignal, stored.Warnsignal);
  tick(ScanRAS, stored.ScanRAS);
  number(IntervallRAS, stored.IntervallRAS);
  tick(CheckMemory, stored.CheckMemory);
  tick(UseHeur, stored.UseHeur);
  tick(ReportOnly, stored.ReportOnly);
  number(IntervallMEM, stored.IntervallMEM);
}

void TForm1::reportOptionError(const QString& text) {
  if (!m_applyingOptions) {
    Dialogs::current().error(this, text);
  } else if (m_pendingOptionError.isEmpty()) {
    m_pendingOptionError = text;
  }
}

void TForm1::throwPendingOptionError() {
  if (m_pendingOptionError.isEmpty()) return;
  throw OrvError(std::exchange(m_pendingOptionError, QString()));
}

void TForm1::SaveSettings() {
  Settings.AutoStart = AutoStart->isChecked() ? 1 : 0;
  Settings.Minimiert = Minimiert->isChecked() ? 1 : 0;
  Settings.Sperre = Sperre->isChecked() ? 1 : 0;
  Settings.Warnsignal = Warnsignal->isChecked() ? 1 : 0;
  Settings.ScanRAS = ScanRAS->isChecked() ? 1 : 0;
  Settings.IntervallRAS = IntervallRAS->value();
  Settings.CheckMemory = CheckMemory->isChecked() ? 1 : 0;
  Settings.UseHeur = UseHeur->isChecked() ? 1 : 0;
  Settings.ReportOnly = ReportOnly->isChecked() ? 1 : 0;
  Settings.IntervallMEM = IntervallMEM->value();

  // The stored marks give way only to marks taken from a list that was built from the
  // service; an empty or never built list would wipe them.
  if (m_connectionListBuilt &&
      m_storedFiles.loadState(StoredFile::Connections) == SettingsStore::LoadState::Read)
    m_storedFiles.release(StoredFile::Connections);
  const QStringList failures = m_storedFiles.save(Settings, m_allowed->lines(), KnownConnections);
  if (!failures.isEmpty()) throw OrvError(failures.join(QStringLiteral(".\n")));
}

void TForm1::AutoStartClick(QObject*) {
  // The entry starts ORV as it was started: with its folder, or asking for the per-user
  // folder (which is then seeded again at logon).
  setAutostart(AutoStart->isChecked(), autostartCommand(QCoreApplication::applicationFilePath(),
                                                        autostartBaseDir(m_arguments.value(0))));
}

}  // namespace orv
