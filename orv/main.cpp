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

  orv::TForm1 form(QApplication::arguments().mid(1));
  if (form.startupAborted()) return 0;
  orv::TMeldung meldung;  // hidden until the first warning
  form.setWarningDialog(&meldung);

  orv::UnixSignals unixSignals;
  QObject::connect(&unixSignals, &orv::UnixSignals::terminationRequested, &form,
                   &orv::TForm1::requestQuit);
  if (form.startVisible()) form.show();
  const int result = QApplication::exec();
  form.FormDestroy(&form);
  return result;
}
