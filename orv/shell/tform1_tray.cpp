// The main window's notification-area icon and its menu `Task`, and the button that opens
// the updates page.
#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "shell/tform1.h"
#include "shell/tray_host.h"
#include "shell/web_addresses.h"

namespace orv {
namespace {

// How often a hidden window looks whether its notification area is still there.
constexpr int kTrayWatchIntervalMs = 2000;

QAction* menuItem(const QMenu* menu, const char* name) {
  return menu->findChild<QAction*>(QLatin1String(name));
}

}  // namespace

void TForm1::connectTrayHandlers() {
  TrayWatch = new QTimer(this);
  TrayWatch->setObjectName(QStringLiteral("TrayWatch"));
  TrayWatch->setInterval(kTrayWatchIntervalMs);
  connect(TrayWatch, &QTimer::timeout, this, &TForm1::TrayWatchTimer);
  connect(Task, &QMenu::aboutToShow, this, [this] { TaskPopup(Task); });
  QAction* dialup = menuItem(Task, "DFNetzwerkberwachungaktivieren1");
  connect(dialup, &QAction::triggered, this,
          [this, dialup] { DFNetzwerkberwachungaktivieren1Click(dialup); });
  QAction* processes = menuItem(Task, "Prozessberwachungaktiv1");
  connect(processes, &QAction::triggered, this,
          [this, processes] { Prozessberwachungaktiv1Click(processes); });
  QAction* quit = menuItem(Task, "ORVbeenden1");
  connect(quit, &QAction::triggered, this, [this, quit] { ORVbeenden1Click(quit); });
  connect(Button6, &QPushButton::clicked, this, [this] { Button6Click(Button6); });
}

void TForm1::TrayIconMessage(QSystemTrayIcon::ActivationReason reason) {
  // A window on screen stays as it is, also behind others. One minimised in the task bar
  // (there was no notification area when it was minimised) comes back like a hidden one.
  if (isVisible() && !isMinimized()) return;
  // Only a single activation needs to know the host: a double-click always counts.
  const TrayHost host = reason == QSystemTrayIcon::Trigger ? currentTrayHost() : TrayHost::XEmbed;
  if (activationBringsWindowBack(reason, host)) bringToFront();
}

void TForm1::TaskPopup(QObject*) {
  menuItem(Task, "DFNetzwerkberwachungaktivieren1")->setChecked(ScanRAS->isChecked());
  menuItem(Task, "Prozessberwachungaktiv1")->setChecked(CheckMemory->isChecked());
}

// Setting the box runs its handler, which switches the monitor and reports it.
void TForm1::DFNetzwerkberwachungaktivieren1Click(QObject*) {
  ScanRAS->setChecked(menuItem(Task, "DFNetzwerkberwachungaktivieren1")->isChecked());
}

void TForm1::Prozessberwachungaktiv1Click(QObject*) {
  CheckMemory->setChecked(menuItem(Task, "Prozessberwachungaktiv1")->isChecked());
}

// The same end as closing the window: settings saved, no question.
void TForm1::ORVbeenden1Click(QObject*) {
  requestQuit();
}

void TForm1::Button6Click(QObject*) {
  // Whether the browser could be started is not reported.
  QDesktopServices::openUrl(QUrl(updatesPageAddress()));
}

void TForm1::hideInTray() {
  hide();
  TrayWatch->start();
}

void TForm1::TrayWatchTimer() {
  if (isVisible()) {
    TrayWatch->stop();
  } else if (!trayAvailable()) {
    // The panel went (or crashed): the window must not stay out of reach.
    bringToFront();
  }
}

}  // namespace orv
