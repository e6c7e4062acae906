#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orv {

// An installed ORV started from the desktop's menu or autostart entry works in a folder of
// the user's own, ${XDG_DATA_HOME:-~/.local/share}/orv/, seeded from the data the
// installation ships. Those entries ask for it with this option in place of BaseDir; a
// plain `orv` keeps BaseDir empty and works in the working folder.
inline QString userFolderOption() {
  return QStringLiteral("--user-folder");
}

// The per-user folder with its trailing "/", by the bytes of the environment; empty when
// the environment names no data folder (neither XDG_DATA_HOME nor HOME).
QString userFolder();

// The data this installation ships: share/orv/ beside the program's bin/ folder.
QString shippedDataFolder();

// Brings `folder` up to date with `shipped`: the folder is created (private to the user)
// where missing; every shipped file is copied anew where the user's copy differs, except the
// settings and list files at the top (*.conf), which are copied only where the user has none,
// so the user's options and lists stay. The error texts of what could not be done.
QStringList seedUserFolder(const QString& shipped, const QString& folder);

// Creates the missing folders of the native path `folder` (with or without its trailing "/"),
// private to the user as the XDG folders are; whether it stands as a folder afterwards.
bool makeFolders(const QByteArray& folder);

// For the program entry: when the program's arguments ask for the per-user folder, seeds it
// and shows in an error box what could not be done (start-up then reports the files that
// are missing).
void prepareUserFolder(const QStringList& arguments);

}  // namespace orv
