#pragma once

#include <QString>
#include <QStringList>
#include <array>

#include "dialup/known_connection.h"
#include "shell/settings_record.h"

namespace orv {

enum class StoredFile { Options, AllowedList, Connections };

// The three settings and list files beside each other under BaseDir: "orv.conf",
// "erlaubt.conf" and "connections.conf". Read once at start, written once at the end.
//
// A file is written only when it was released: a file that did not exist releases itself
// (there is nothing to lose), a file that was read is released by the caller once it has
// taken all of its content over. A file that was never read, or could not be read, keeps
// whatever it holds.
class SettingsStore {
 public:
  enum class LoadState { NotRead, Missing, Read };

  explicit SettingsStore(const QString& baseDir = QString());

  QString path(StoredFile file) const;

  // Each throws OrvError with the text the user is shown. "orv.conf" and "connections.conf"
  // are opened for reading and writing, so a file that may not be written cannot be loaded.
  TSettings readOptions();
  QStringList readAllowedList();
  KnownConnectionList readConnections();

  LoadState loadState(StoredFile file) const { return m_files[index(file)].state; }
  void release(StoredFile file) { m_files[index(file)].released = true; }
  bool released(StoredFile file) const { return m_files[index(file)].released; }

  // Replaces every released file whole or not at all; the text of each that could not be.
  QStringList save(const TSettings& options, const QStringList& allowedList,
                   const KnownConnectionList& connections) const;

 private:
  struct FileState {
    LoadState state = LoadState::NotRead;
    bool released = false;
  };
  static size_t index(StoredFile file) { return static_cast<size_t>(file); }
  // Notes the outcome of a read: a missing file may be written later, nothing else.
  void noteRead(StoredFile file, int error);

  QString m_baseDir;
  std::array<FileState, 3> m_files;
};

}  // namespace orv
