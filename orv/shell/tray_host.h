#pragma once

#include <QSystemTrayIcon>

class QDBusConnection;

namespace orv {

// The two kinds of notification area a Linux desktop offers, told apart as Qt tells them
// when it serves the icon.
enum class TrayHost {
  // The X11 tray: the icon is a small window embedded in the panel, which passes on every
  // click, double-clicks included.
  XEmbed,
  // A StatusNotifier host (KDE Plasma, GNOME with the AppIndicator extension, ...): the icon
  // is described over D-Bus, and the host reports only a single activation.
  StatusNotifier,
};

// Which kind serves the icon on the desktop of `sessionBus`: a StatusNotifier host when a
// watcher org.kde.StatusNotifierWatcher is on the bus and says that a host has registered
// with it, which is when Qt sends the icon over D-Bus; else the X11 tray.
TrayHost trayHostOn(const QDBusConnection& sessionBus);

// The kind of host serving the icon right now, asked on the session bus. Never starts a bus:
// where the session has none, the answer is the X11 tray.
TrayHost currentTrayHost();

// Whether an activation of the icon brings the hidden main window back: a double-click
// does; where the host never reports one, the single activation does instead.
bool activationBringsWindowBack(QSystemTrayIcon::ActivationReason reason, TrayHost host);

}  // namespace orv
