#include "shell/tray_host.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>

namespace orv {
namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
// A watcher that does not answer must not hold up the window for long.
constexpr int kWatcherTimeoutMs = 1000;

// Whether the session has a bus that can be reached without starting one. Asking the
// session bus where there is none makes D-Bus launch a daemon of its own, which would
// outlive ORV and serve no notification area anyway.
bool sessionBusExists() {
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

}  // namespace

TrayHost trayHostOn(const QDBusConnection& sessionBus) {
  if (!sessionBus.isConnected()) return TrayHost::XEmbed;
  const QDBusConnectionInterface* bus = sessionBus.interface();
  if (!bus || !bus->isServiceRegistered(kWatcherService)) return TrayHost::XEmbed;
  QDBusMessage ask = QDBusMessage::createMethodCall(
      kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("Get"));
  ask << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
  const QDBusMessage reply = sessionBus.call(ask, QDBus::Block, kWatcherTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return TrayHost::XEmbed;
  const bool hostRegistered =
      reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
  return hostRegistered ? TrayHost::StatusNotifier : TrayHost::XEmbed;
}

TrayHost currentTrayHost() {
  return sessionBusExists() ? trayHostOn(QDBusConnection::sessionBus()) : TrayHost::XEmbed;
}

bool activationBringsWindowBack(QSystemTrayIcon::ActivationReason reason, TrayHost host) {
  switch (reason) {
    case QSystemTrayIcon::DoubleClick:
      return true;
    case QSystemTrayIcon::Trigger:
      return host == TrayHost::StatusNotifier;
    default:
      return false;
  }
}

}  // namespace orv
