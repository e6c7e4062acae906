#include "nm_bus.h"

#include <QDBusError>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <atomic>

#include "nm_profile.h"
#include "ppp_paths.h"
#include "rasapi32.h"

namespace orv::ras {
namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");

// How long to wait before connecting again to a bus that did not answer.
constexpr std::chrono::seconds kRetryPause{5};

QString uniqueName() {
  static std::atomic<int> count{0};
  return QStringLiteral("orv-rasapi32-nm-%1").arg(++count);
}

bool endsWith(const QString& name, const char* suffix) {
  return name.endsWith(QLatin1String(suffix));
}

}  // namespace

NmBus::NmBus() : m_name(uniqueName()) {
  qDBusRegisterMetaType<NmSettings>();  // profiles travel as a{sa{sv}}
}

NmBus::~NmBus() {
  disconnect();
}

void NmBus::disconnect() {
  if (!m_bus) return;
  m_bus.reset();
  QDBusConnection::disconnectFromBus(m_name);
}

bool NmBus::connect(const std::string& address) {
  const auto now = std::chrono::steady_clock::now();
  if (address != m_address) {
    disconnect();
    m_address = address;
    m_retryAt = now;
  }
  if (m_bus && m_bus->isConnected()) return true;
  disconnect();  // the bus went away: connect anew
  if (address == PppPaths::kNoBus || now < m_retryAt) return false;
  m_bus = address.empty() ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_name)
                          : QDBusConnection::connectToBus(QString::fromStdString(address), m_name);
  if (m_bus->isConnected()) {
    ++m_generation;
    return true;
  }
  disconnect();
  m_retryAt = now + kRetryPause;
  return false;
}

QDBusMessage NmBus::call(const QString& path, const QString& interface, const QString& method,
                         const QVariantList& arguments, int timeoutMs) {
  QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
  message.setArguments(arguments);
  // NetworkManager that does not run is not started for us.
  message.setAutoStartService(false);
  if (!m_bus) return message.createErrorReply(QDBusError::Disconnected, QStringLiteral("no bus"));
  return m_bus->call(message, QDBus::Block, timeoutMs);
}

QVariant NmBus::property(const QString& path, const QString& interface, const QString& name) {
  const QDBusMessage reply = call(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                  QStringLiteral("Get"), {interface, name});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  return reply.arguments().first().value<QDBusVariant>().variant();
}

std::uint32_t NmBus::errorCode(const QDBusMessage& reply) {
  if (reply.type() != QDBusMessage::ErrorMessage) return RAS_SUCCESS;
  const QString name = reply.errorName();
  // NetworkManager's own refusals and the bus's, and polkit wanting to ask where it may not.
  if (endsWith(name, ".PermissionDenied") || endsWith(name, ".AccessDenied") ||
      endsWith(name, ".NotAuthorized") || endsWith(name, ".InteractiveAuthorizationRequired"))
    return RAS_ERROR_NM_NOT_PERMITTED;
  if (endsWith(name, ".NoReply") || endsWith(name, ".Timeout") || endsWith(name, ".TimedOut"))
    return RAS_ERROR_NM_NO_ANSWER;
  if (endsWith(name, ".ServiceUnknown") || endsWith(name, ".NameHasNoOwner") ||
      endsWith(name, ".Disconnected") || endsWith(name, ".NoServer"))
    return RAS_ERROR_NM_UNREACHABLE;
  if (endsWith(name, ".UnknownDevice") || endsWith(name, ".ConnectionNotAvailable") ||
      endsWith(name, ".MissingPlugin"))
    return RAS_ERROR_NM_NO_DEVICE;
  return RAS_ERROR_NM_FAILED;
}

bool NmBus::isGone(const QDBusMessage& reply) {
  const QString name = reply.errorName();
  return endsWith(name, ".UnknownObject") || endsWith(name, ".UnknownMethod") ||
         endsWith(name, ".UnknownInterface") || endsWith(name, ".UnknownConnection") ||
         endsWith(name, ".ConnectionNotActive");
}

}  // namespace orv::ras
