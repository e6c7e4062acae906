#pragma once

class QCoreApplication;

namespace orv {

// Qt's own texts (the buttons of its boxes, the save and print dialogs) in German, like
// the rest of the program, whatever the user's locale: Qt's German catalogue from its
// translations folder (Debian's qt6-translations-l10n). False where it cannot be loaded;
// those texts then stay English.
bool installGermanQtTranslations(QCoreApplication& application);

}  // namespace orv
