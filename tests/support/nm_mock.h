#pragma once

// A private D-Bus bus with NetworkManager played by python3-dbusmock's template, named to the
// dial-up service through ORV_NM_BUS_ADDRESS. The bus daemon and the mock are started here
// and ended with the fixture. Tests that use it link Qt6::DBus.
//
//   NetworkManagerMock nm;                  // NetworkManager with one modem device
//   const QString profile = nm.addProfile(NetworkManagerMock::gsm("Mobil", "*99#", "web"));
//   nm.activate(profile);                    // the service now lists an active "Mobil"
//
// The 0.28 template lacks a few things a real NetworkManager has (real secrets, polkit's
// refusals, a device that can be disconnected): tests add them with addMethod().

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace orvtest {

using NmSettings = QMap<QString, QVariantMap>;

class NetworkManagerMock {
 public:
  // Python code for addMethod(): the refusal polkit gives a user without the right.
  static constexpr const char* kRefuse =
      "raise dbus.exceptions.DBusException('Not authorized', "
      "name='org.freedesktop.NetworkManager.PermissionDenied')";
  static inline const QString kManager = QStringLiteral("/org/freedesktop/NetworkManager");
  static inline const QString kManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
  static inline const QString kProfileInterface =
      QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");

  explicit NetworkManagerMock(bool withNetworkManager = true) : m_folder("orv-nm") {
    qDBusRegisterMetaType<NmSettings>();
    m_address = "unix:path=" + m_folder.file("bus");
    m_daemon = spawn({"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=" + m_address},
                     {}, false);
    // Debian's python3, whatever other python the PATH names first.
    if (withNetworkManager)
      m_mock = spawn({"/usr/bin/python3", "-m", "dbusmock", "--session", "-t", "networkmanager"},
                     {"DBUS_SESSION_BUS_ADDRESS=" + m_address}, true);
    waitFor([&] { return busUp() && (!withNetworkManager || networkManagerUp()); });
    const char* old = std::getenv("ORV_NM_BUS_ADDRESS");
    m_oldAddress = old ? old : "";
    ::setenv("ORV_NM_BUS_ADDRESS", m_address.c_str(), 1);
    if (withNetworkManager)
      m_modem = call(kManager, "org.freedesktop.DBus.Mock", "AddEthernetDevice",
                     {"ttyUSB0", "ttyUSB0", 100})
                    .arguments()
                    .value(0)
                    .toString();
  }
  ~NetworkManagerMock() {
    ::setenv("ORV_NM_BUS_ADDRESS", m_oldAddress.c_str(), 1);
    QDBusConnection::disconnectFromBus(kConnection);
    for (const pid_t pid : {m_mock, m_daemon}) {
      if (pid <= 0) continue;
      ::kill(pid, SIGTERM);
      ::waitpid(pid, nullptr, 0);
    }
  }
  NetworkManagerMock(const NetworkManagerMock&) = delete;
  NetworkManagerMock& operator=(const NetworkManagerMock&) = delete;

  static NmSettings gsm(const QString& id, const QString& number, const QString& user) {
    return {{"connection", {{"id", id}, {"type", "gsm"}}},
            {"gsm", {{"number", number}, {"username", user}, {"apn", "internet"}}}};
  }

  // A call to NetworkManager's (the mock's) object `path`.
  QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                    const QVariantList& arguments = {}) {
    QDBusMessage message =
        QDBusMessage::createMethodCall("org.freedesktop.NetworkManager", path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection(kConnection).call(message, QDBus::Block, 10000);
  }
  QVariant property(const QString& path, const QString& interface, const QString& name) {
    return call(path, "org.freedesktop.DBus.Properties", "Get", {interface, name})
        .arguments()
        .value(0)
        .value<QDBusVariant>()
        .variant();
  }

  // Adds (or replaces) method `name` of object `path`; `code` is Python run by the mock.
  void addMethod(const QString& path, const QString& interface, const QString& name,
                 const QString& in, const QString& out, const QString& code) {
    call(path, "org.freedesktop.DBus.Mock", "AddMethod", {interface, name, in, out, code});
  }

  QString addProfile(const NmSettings& settings) {
    return call("/org/freedesktop/NetworkManager/Settings",
                "org.freedesktop.NetworkManager.Settings", "AddConnection",
                {QVariant::fromValue(settings)})
        .arguments()
        .value(0)
        .value<QDBusObjectPath>()
        .path();
  }
  NmSettings settingsOf(const QString& profile) {
    return qdbus_cast<NmSettings>(call(profile, kProfileInterface, "GetSettings").arguments()[0]);
  }
  // GetSecrets of `profile` answers as NetworkManager does when the user may read them.
  void answerSecrets(const QString& profile, const QString& password) {
    addMethod(profile, kProfileInterface, "GetSecrets", "s", "a{sa{sv}}",
              "ret = {args[0]: {'password': '" + password + "'}}");
  }

  // Activates `profile` on the modem device; the active connection's path.
  QString activate(const QString& profile) {
    return call(kManager, kManagerInterface, "ActivateConnection",
                {QVariant::fromValue(QDBusObjectPath(profile)),
                 QVariant::fromValue(QDBusObjectPath(m_modem)),
                 QVariant::fromValue(QDBusObjectPath("/"))})
        .arguments()
        .value(0)
        .value<QDBusObjectPath>()
        .path();
  }
  int activeCount() {
    QList<QDBusObjectPath> paths;
    property(kManager, kManagerInterface, "ActiveConnections").value<QDBusArgument>() >> paths;
    return static_cast<int>(paths.size());
  }
  const QString& modem() const { return m_modem; }

  // Polls `condition` every 10 ms for up to 20 s.
  template <typename Condition>
  static bool waitFor(Condition condition) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

 private:
  static inline const QString kConnection = QStringLiteral("orv-test-nm-mock");

  pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& extraEnvironment,
              bool keepErrors) {
    // Ours, and the rest of the test's environment (a bus address of its own left out).
    std::vector<std::string> environment(extraEnvironment);
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("DBUS_", 0) != 0) environment.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : environment) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    // The mock's log of every call and the daemon's notes about file limits are noise here;
    // the mock's errors are not.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    if (!keepErrors) posix_spawn_file_actions_adddup2(&quiet, 1, 2);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
  }
  bool busUp() {
    if (QDBusConnection(kConnection).isConnected()) return true;
    QDBusConnection::disconnectFromBus(kConnection);
    return QDBusConnection::connectToBus(QString::fromStdString(m_address), kConnection)
        .isConnected();
  }
  bool networkManagerUp() {
    return QDBusConnection(kConnection)
        .interface()
        ->isServiceRegistered("org.freedesktop.NetworkManager")
        .value();
  }

  TempDir m_folder;
  std::string m_address;
  std::string m_oldAddress;
  pid_t m_daemon = -1;
  pid_t m_mock = -1;
  QString m_modem;
};

}  // namespace orvtest
