#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace orv::ras {

// The service's own connection to the bus NetworkManager is asked on (PppPaths::nmBusAddress),
// made on first use. When the address changes it connects anew; when no bus answers, it
// tries again after a pause, so that a missing bus costs nothing per call. Calls never start
// NetworkManager (no D-Bus activation) and wait at most their time-out.
class NmBus {
 public:
  static constexpr int kQueryTimeoutMs = 1000;
  // Calls that change something: polkit may ask the user first.
  static constexpr int kActionTimeoutMs = 2500;

  NmBus();
  ~NmBus();
  NmBus(const NmBus&) = delete;
  NmBus& operator=(const NmBus&) = delete;

  // Whether a bus is connected at `address` ("" the system bus, "none" never).
  bool connect(const std::string& address);
  // Counts the connections made: what was learnt over an earlier one may be stale.
  std::uint64_t generation() const { return m_generation; }

  // A method call on NetworkManager's object `path`; the reply or an error message.
  QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                    const QVariantList& arguments = {}, int timeoutMs = kQueryTimeoutMs);
  // A property of one of NetworkManager's objects; invalid when it cannot be read.
  QVariant property(const QString& path, const QString& interface, const QString& name);

  // The service's code for a failed reply (polkit's refusal, no NetworkManager, no answer,
  // no device, anything else), 0 for a reply that is no error.
  static std::uint32_t errorCode(const QDBusMessage& reply);
  // Whether a failed reply means the object is gone (it was removed meanwhile).
  static bool isGone(const QDBusMessage& reply);

 private:
  void disconnect();

  const QString m_name;  // the connection's name with Qt, unique per instance
  std::string m_address;
  std::optional<QDBusConnection> m_bus;  // set while connected
  std::uint64_t m_generation = 0;
  std::chrono::steady_clock::time_point m_retryAt{};
};

}  // namespace orv::ras
