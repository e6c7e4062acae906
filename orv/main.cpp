// Program entry: the application, the main window, the warning dialog, the message loop.
#include <QApplication>

#include "shell/tform1.h"
#include "shell/unix_signals.h"
#include "warning/tmeldung.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orv"));
  // The window lives on while hidden in the notification area.
  QApplication::setQuitOnLastWindowClosed(false);

  // Before the window: a logout during start-up, also while a box waits, ends ORV in order.
  orv::UnixSignals unixSignals;
  orv::TForm1 form(QApplication::arguments().mid(1), &unixSignals);
  if (form.startupAborted()) return 0;
  orv::TMeldung meldung;  // hidden until the first warning
  form.setWarningDialog(&meldung);

  int result = 0;
  if (!form.quitRequested()) {
    if (form.startVisible()) form.show();
    result = QApplication::exec();
  }
  form.FormDestroy(&form);
  return result;
}
