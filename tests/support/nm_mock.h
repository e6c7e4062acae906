#pragma once

// A private D-Bus bus with NetworkManager played by python3-dbusmock's template and one modem
// device, named to the dial-up service through ORV_NM_BUS_ADDRESS; both processes end with
// the fixture. What the 0.28 template lacks (real secrets, polkit's refusals, a device that
// disconnects) tests add with addMethod(). Link Qt6::DBus.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <chrono>
#include <thread>

#include "support/temp_dir.h"

extern char** environ;

namespace orvtest {

using NmSettings = QMap<QString, QVariantMap>;

class NetworkManagerMock {
 public:
  // Python for addMethod(): polkit's answer to a user without the right.
  static constexpr const char* kRefuse =
      "raise dbus.exceptions.DBusException('no', "
      "name='org.freedesktop.NetworkManager.PermissionDenied')";
  static inline const QString kManager = "/org/freedesktop/NetworkManager";
  static inline const QString kManagerInterface = "org.freedesktop.NetworkManager";
  static inline const QString kProfileInterface =
      "org.freedesktop.NetworkManager.Settings.Connection";

  explicit NetworkManagerMock(bool withNetworkManager = true) : m_folder("orv-nm") {
    qDBusRegisterMetaType<NmSettings>();
    const std::string address = "unix:path=" + m_folder.file("bus");
    m_daemon =
        spawn({"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=" + address}, false);
    // Debian's python3, whatever other python the PATH names first.
    if (withNetworkManager)
      m_mock = spawn({"/usr/bin/python3", "-m", "dbusmock", "--session", "-t", "networkmanager"},
                     true, "DBUS_SESSION_BUS_ADDRESS=" + address);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until && !up(address, withNetworkManager))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_oldAddress = qgetenv("ORV_NM_BUS_ADDRESS");
    qputenv("ORV_NM_BUS_ADDRESS", QByteArray::fromStdString(address));
    if (withNetworkManager)
      m_modem = call(kManager, "org.freedesktop.DBus.Mock", "AddEthernetDevice",
                     {"ttyUSB0", "ttyUSB0", 100})
                    .arguments()
                    .value(0)
                    .toString();
  }
  ~NetworkManagerMock() {
    qputenv("ORV_NM_BUS_ADDRESS", m_oldAddress);
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

  QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                    const QVariantList& arguments = {}) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kManagerInterface, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection(kConnection).call(message, QDBus::Block, 10000);
  }
  // Adds or replaces method `name` of object `path`: `code` is Python the mock runs.
  void addMethod(const QString& path, const QString& interface, const QString& name,
                 const QString& in, const QString& out, const QString& code) {
    call(path, "org.freedesktop.DBus.Mock", "AddMethod", {interface, name, in, out, code});
  }

  QString addProfile(const NmSettings& settings) {
    return call(kManager + "/Settings", kManagerInterface + ".Settings", "AddConnection",
                {QVariant::fromValue(settings)})
        .arguments()
        .value(0)
        .value<QDBusObjectPath>()
        .path();
  }
  // GetSecrets answers as NetworkManager does where the user may read the secret.
  void answerSecrets(const QString& profile, const QString& password) {
    addMethod(profile, kProfileInterface, "GetSecrets", "s", "a{sa{sv}}",
              "ret = {args[0]: {'password': '" + password + "'}}");
  }
  NmSettings settingsOf(const QString& profile) {
    return qdbus_cast<NmSettings>(call(profile, kProfileInterface, "GetSettings").arguments()[0]);
  }

  // Activates `profile` on the modem.
  void activate(const QString& profile) {
    call(
        kManager, kManagerInterface, "ActivateConnection",
        {QVariant::fromValue(QDBusObjectPath(profile)),
         QVariant::fromValue(QDBusObjectPath(m_modem)), QVariant::fromValue(QDBusObjectPath("/"))});
  }
  int activeCount() {
    const QDBusMessage reply = call(kManager, "org.freedesktop.DBus.Properties", "Get",
                                    {kManagerInterface, "ActiveConnections"});
    return static_cast<int>(qdbus_cast<QList<QDBusObjectPath>>(
                                reply.arguments().value(0).value<QDBusVariant>().variant())
                                .size());
  }
  const QString& modem() const { return m_modem; }

 private:
  static inline const QString kConnection = "orv-test-nm-mock";

  // Starts `args` with stdout (and unless `keepErrors`, stderr) on /dev/null: the mock logs
  // every call there. No bus address of the test's own goes along.
  static pid_t spawn(std::vector<std::string> args, bool keepErrors,
                     const std::string& extra = {}) {
    std::vector<std::string> environment;
    if (!extra.empty()) environment.push_back(extra);
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("DBUS_", 0) != 0) environment.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : environment) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    if (!keepErrors) posix_spawn_file_actions_adddup2(&quiet, 1, 2);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
  }
  static bool up(const std::string& address, bool withNetworkManager) {
    if (!QDBusConnection(kConnection).isConnected()) {
      QDBusConnection::disconnectFromBus(kConnection);
      if (!QDBusConnection::connectToBus(QString::fromStdString(address), kConnection)
               .isConnected())
        return false;
    }
    return !withNetworkManager ||
           QDBusConnection(kConnection).interface()->isServiceRegistered(kManagerInterface).value();
  }

  TempDir m_folder;
  QByteArray m_oldAddress;
  pid_t m_daemon = -1;
  pid_t m_mock = -1;
  QString m_modem;
};

}  // namespace orvtest
