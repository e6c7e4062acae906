#include "shell/settings_store.h"

#include "shell/allowed_list_file.h"
#include "shell/file_error_text.h"
#include "shell/file_read.h"
#include "shell/orv_error.h"
#include "shell/replacement_file.h"
#include "shell/settings_formats.h"

namespace orv {
namespace {

// A list file beyond this is no list ORV wrote (a million entries); reading it whole would
// only make the start hang.
constexpr qint64 kListFileLimit = 16 * 1024 * 1024;

}  // namespace

SettingsStore::SettingsStore(const QString& baseDir) : m_baseDir(baseDir) {}

QString SettingsStore::path(StoredFile file) const {
  switch (file) {
    case StoredFile::Options:
      return m_baseDir + QStringLiteral("orv.conf");
    case StoredFile::AllowedList:
      return m_baseDir + QStringLiteral("erlaubt.conf");
    case StoredFile::Connections:
      break;
  }
  return m_baseDir + QStringLiteral("connections.conf");
}

void SettingsStore::noteRead(StoredFile file, int error) {
  FileState& state = m_files[index(file)];
  if (error == 0) {
    state.state = LoadState::Read;
  } else if (fileIsMissing(error, path(file))) {
    state.state = LoadState::Missing;
    state.released = true;
  }
}

TSettings SettingsStore::readOptions() {
  const QString name = path(StoredFile::Options);
  const FileRead read =
      readRegularFile(name, FileAccess::ReadWrite, kSettingsRecordSize, /*refuseLarger=*/false);
  if (read.error == 0 && read.bytes.size() < kSettingsRecordSize)
    throw OrvError(QStringLiteral("Versuch hinter dem Dateiende zu lesen"));
  noteRead(StoredFile::Options, read.error);
  if (read.error) throw OrvError(fileErrorText(read.error, name));
  return settingsFromRecord(read.bytes);
}

QStringList SettingsStore::readAllowedList() {
  const QString name = path(StoredFile::AllowedList);
  const FileRead read =
      readRegularFile(name, FileAccess::ReadOnly, kListFileLimit, /*refuseLarger=*/true);
  noteRead(StoredFile::AllowedList, read.error);
  if (read.error) throw OrvError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(name));
  return allowedListFromFile(read.bytes);
}

KnownConnectionList SettingsStore::readConnections() {
  const QString name = path(StoredFile::Connections);
  const FileRead read =
      readRegularFile(name, FileAccess::ReadWrite, kListFileLimit, /*refuseLarger=*/true);
  noteRead(StoredFile::Connections, read.error);
  if (read.error) throw OrvError(fileErrorText(read.error, name));
  return connectionsFromFile(read.bytes);
}

QStringList SettingsStore::save(const TSettings& options, const QStringList& allowedList,
                                const KnownConnectionList& connections) const {
  QStringList failures;
  // Each file on its own: one that cannot be written does not cost the others their changes.
  const auto write = [&](StoredFile file, const QByteArray& bytes) {
    if (!released(file)) return;
    const QString name = path(file);
    if (const int error = replaceFile(name, bytes))
      failures += QStringLiteral("Datei %1 kann nicht erstellt werden (%2)")
                      .arg(name, fileErrorText(error, name));
  };
  write(StoredFile::Options, settingsToRecord(options));
  write(StoredFile::AllowedList, allowedListToFile(allowedList));
  write(StoredFile::Connections, connectionsToFile(connections));
  return failures;
}

}  // namespace orv
