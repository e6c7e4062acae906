#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QThread>
#include <atomic>

// A D-Bus session bus of the test's own: a dbus-daemon started for it and ended with it.
// started() is false where the machine has no dbus-daemon.
class PrivateSessionBus {
 public:
  PrivateSessionBus();
  ~PrivateSessionBus();
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  bool started() const { return !m_address.isEmpty(); }
  QString address() const { return m_address; }
  // A new connection to this bus under `name`.
  QDBusConnection connect(const QString& name) const;

 private:
  QProcess m_daemon;
  QString m_address;
};

// What a notification area of the StatusNotifier kind puts on the session bus: the watcher
// org.kde.StatusNotifierWatcher, which says whether a host has registered with it. It
// answers on a thread of its own, so that the test's thread may ask it and wait.
class StatusNotifierWatcherStub : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

 public:
  // Joins `bus` under a connection of its own; nothing is registered yet.
  explicit StatusNotifierWatcherStub(const PrivateSessionBus& bus);
  ~StatusNotifierWatcherStub() override;

  // Puts the watcher on the bus, saying whether a host has registered with it.
  bool appear(bool hostRegistered);
  void disappear();

  bool hostRegistered() const { return m_hostRegistered; }

 private:
  QThread m_thread;
  QDBusConnection m_connection;
  std::atomic<bool> m_hostRegistered{false};
};
