#include "support/private_session_bus.h"

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

}  // namespace

PrivateSessionBus::PrivateSessionBus() {
  m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
  m_daemon.setStandardErrorFile(QProcess::nullDevice());
  m_daemon.start(
      QStringLiteral("dbus-daemon"),
      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
  if (!m_daemon.waitForStarted(10000)) return;
  while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
  }
  m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus() {
  if (m_daemon.state() == QProcess::NotRunning) return;
  m_daemon.terminate();
  if (!m_daemon.waitForFinished(5000)) {
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
  }
}

QDBusConnection PrivateSessionBus::connect(const QString& name) const {
  return QDBusConnection::connectToBus(m_address, name);
}

StatusNotifierWatcherStub::StatusNotifierWatcherStub(const PrivateSessionBus& bus)
    : m_connection(bus.connect(QStringLiteral("status-notifier-watcher"))) {
  m_thread.start();
  moveToThread(&m_thread);
}

StatusNotifierWatcherStub::~StatusNotifierWatcherStub() {
  disappear();
  QDBusConnection::disconnectFromBus(m_connection.name());
  m_thread.quit();
  m_thread.wait();
}

bool StatusNotifierWatcherStub::appear(bool hostRegistered) {
  m_hostRegistered = hostRegistered;
  m_connection.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
  return m_connection.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                     QDBusConnection::ExportAllProperties) &&
         m_connection.registerService(kWatcher);
}

void StatusNotifierWatcherStub::disappear() {
  m_connection.unregisterService(kWatcher);
  m_connection.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
}
