#pragma once

#include <QString>

namespace orv {

// The standard German text for a file operation on `path` that failed with `error` (an
// errno): "Datei nicht gefunden", "Ungültiger Dateiname" (the folder in the path does not
// exist), "Dateizugriff verweigert", "E/A-Fehler <number>" for everything else.
QString fileErrorText(int error, const QString& path);

// Whether `error` says that the file at `path` does not exist while its folder does: a file
// that is simply not there yet.
bool fileIsMissing(int error, const QString& path);

}  // namespace orv
