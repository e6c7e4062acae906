#pragma once

#include <QByteArray>
#include <QString>

namespace orv {

// Starting with the desktop session: the XDG autostart entry
// $XDG_CONFIG_HOME/autostart/orv-autostart.desktop (by default below ~/.config), named
// "ORV Autostart", which starts this program with its BaseDir.

// Where the entry lives.
QString autostartEntryPath();

// The command line that starts this ORV: `program`, then `baseDir` as its one argument
// (none when empty), each quoted by the desktop-entry rules.
QString autostartCommand(const QString& program, const QString& baseDir);

// The BaseDir argument for the entry: the session starts it in another working folder (the
// home folder), so a folder given relative to ours, or none (our working folder), is written
// out in full; an absolute folder and the per-user folder option stay as they are.
QString autostartBaseDir(const QString& argument);

// The whole entry for `command`, as written to the file.
QByteArray autostartEntry(const QString& command);

// Writes the entry (replacing an earlier one) or removes it; a missing entry is no error.
// Throws OrvError "Fehler beim Setzen der Daten für 'ORV Autostart'" when that fails.
void setAutostart(bool on, const QString& command);

}  // namespace orv
