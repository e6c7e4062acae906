// Program entry: the application, the main window, the warning dialog, the message loop.
#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "detect/scan_ahead.h"
#include "shell/qt_translations.h"
#include "shell/signature_load.h"
#include "shell/tform1.h"
#include "shell/unix_signals.h"
#include "shell/user_folder.h"
#include "shell/warm_up.h"

int main(int argc, char* argv[]) {
  // Both beside the application's connection to the display, which waits on the X server
  // for much of its time: the signature file, read until the window reports its count, and
  // the fonts.
  orv::SignatureLoad::startAhead(orv::signatureFileAhead(argc, argv));
  // FcInit is the call the font database starts with; it keeps what it read for the process.
  orv::WarmUp fonts([] { FcInit(); });
  QApplication app(argc, argv);  // takes its own options out of argv
  QApplication::setApplicationName(QStringLiteral("orv"));
  // The window lives on while hidden in the notification area.
  QApplication::setQuitOnLastWindowClosed(false);
  orv::installGermanQtTranslations(app);

  // Before the window: a logout during start-up, also while a box waits, ends ORV in order.
  orv::UnixSignals unixSignals;
  fonts.wait();
  // The arguments' own bytes: QApplication::arguments() would decode them, losing any that
  // are not UTF-8, and BaseDir would name another folder.
  const QStringList arguments = orv::programArguments(argc, argv);
  orv::prepareUserFolder(arguments);
  orv::TForm1 form(arguments, &unixSignals);
  if (form.startupAborted()) return 0;
  form.setWarningDialogOnDemand();  // made hidden at the first warning

  int result = 0;
  if (!form.quitRequested()) {
    form.showAtStart();
    result = QApplication::exec();
  }
  form.FormDestroy(&form);
  if (orv::ScanAhead::abandonedWalks() > 0) {
    // A cancelled scan left its walk stuck in a folder that does not answer (a dead network
    // mount); it may wake at any moment and look a file up in the signature database, which
    // the static destructors would free under it. The settings are saved: end at once.
    std::fflush(nullptr);
    std::_Exit(result);
  }
  return result;
}
