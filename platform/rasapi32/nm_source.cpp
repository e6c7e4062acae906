#include "nm_source.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>

#include "entry_dialog.h"
#include "nm_editor.h"
#include "ppp_paths.h"

namespace orv::ras {
namespace {

const QString kManager = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kSettings = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString kProfileInterface =
    QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The phonebook NetworkManager's entries are reported in: its settings service.
constexpr const char* kPhonebook = "/org/freedesktop/NetworkManager/Settings";

// NetworkManager's NMActiveConnectionState.
enum : std::uint32_t { kActivating = 1, kActivated = 2, kDeactivating = 3, kDeactivated = 4 };

std::uint32_t rasState(std::uint32_t state) {
  switch (state) {
    case kActivated:
    case kDeactivating:  // the line is still up until it is down
      return RAS_STATE_CONNECTED;
    case kDeactivated:
      return RAS_STATE_DISCONNECTED;
    default:
      return RAS_STATE_CONNECT_DEVICE;
  }
}

bool failed(const QDBusMessage& reply) {
  return reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty();
}

template <typename T>
T firstArgument(const QDBusMessage& reply) {
  return failed(reply) ? T() : qdbus_cast<T>(reply.arguments().first());
}

QStringList pathsOf(const QList<QDBusObjectPath>& objects) {
  QStringList paths;
  for (const QDBusObjectPath& object : objects) paths << object.path();
  return paths;
}

QVariant objectPath(const std::string& path) {
  return QVariant::fromValue(QDBusObjectPath(QString::fromStdString(path)));
}

}  // namespace

std::string NetworkManagerSource::phonebook() const {
  return kPhonebook;
}

bool NetworkManagerSource::connected() {
  const bool up = m_bus.connect(PppPaths::fromEnvironment().nmBusAddress);
  if (!up || m_bus.generation() != m_generation) {
    // Nothing learnt over another bus, or before NetworkManager went away, is kept.
    m_generation = m_bus.generation();
    m_profiles.clear();
    m_activePaths.clear();
    m_activeComplete = false;
    m_active.clear();
    m_hangUps.clear();
  }
  return up;
}

std::optional<NmProfile> NetworkManagerSource::readProfile(const QString& path) {
  const QDBusMessage reply = m_bus.call(path, kProfileInterface, QStringLiteral("GetSettings"));
  if (failed(reply)) return std::nullopt;
  return dialUpProfile(path, firstArgument<NmSettings>(reply));
}

std::uint32_t NetworkManagerSource::loadProfiles(std::vector<NmProfile>& profiles) {
  profiles.clear();
  const QDBusMessage reply =
      m_bus.call(kSettings, kSettingsInterface, QStringLiteral("ListConnections"));
  if (failed(reply)) return NmBus::errorCode(reply);
  for (const QString& path : pathsOf(firstArgument<QList<QDBusObjectPath>>(reply)))
    if (auto profile = readProfile(path)) profiles.push_back(std::move(*profile));
  return RAS_SUCCESS;
}

std::optional<NmProfile> NetworkManagerSource::findProfile(const std::string& entry) {
  if (!connected()) return std::nullopt;
  // Profiles change under us (renamed, a new number): the one found is read again.
  for (const NmProfile& known : m_profiles) {
    if (known.entryName != entry) continue;
    auto fresh = readProfile(QString::fromStdString(known.path));
    if (fresh && fresh->entryName == entry) return fresh;
  }
  loadProfiles(m_profiles);
  for (const NmProfile& profile : m_profiles)
    if (profile.entryName == entry) return profile;
  return std::nullopt;
}

std::uint32_t NetworkManagerSource::entries(std::vector<PhonebookEntry>& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  // Without NetworkManager there are no such entries. That is said with a code of its own,
  // which the dispatcher passes over where pppd's phonebook could be read; where it could not,
  // an absent NetworkManager must not make the phonebook look read and empty (the list's
  // marks would be dropped).
  if (!connected()) return RAS_ERROR_NM_UNREACHABLE;
  if (const std::uint32_t result = loadProfiles(m_profiles); result != RAS_SUCCESS) return result;
  for (const NmProfile& profile : m_profiles)
    out.push_back({profile.entryName, profile.systemWide ? std::uint32_t{RAS_ENTRY_ALL_USERS} : 0U,
                   kPhonebook});
  return RAS_SUCCESS;
}

bool NetworkManagerSource::readPassword(const NmProfile& profile, std::string& password) {
  if (profile.passwordNeverSaved || profile.secretSetting.empty()) return false;
  // NetworkManager answers only where the user's session may read the secret.
  const QString setting = QString::fromStdString(profile.secretSetting);
  const QDBusMessage reply = m_bus.call(QString::fromStdString(profile.path), kProfileInterface,
                                        QStringLiteral("GetSecrets"), {setting});
  const QString secret =
      firstArgument<NmSettings>(reply).value(setting).value(QStringLiteral("password")).toString();
  if (secret.isEmpty()) return false;
  password = secret.toStdString();
  return true;
}

std::uint32_t NetworkManagerSource::dialParameters(const std::string& entry, DialParameters& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto profile = findProfile(entry);
  if (!profile) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  out.user = profile->user;
  out.passwordSaved = readPassword(*profile, out.password);
  return RAS_SUCCESS;
}

std::uint32_t NetworkManagerSource::properties(const std::string& entry, EntryProperties& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto profile = findProfile(entry);
  if (!profile) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  out.setDialString(profile->number);
  if (profile->defaultRoute) out.options |= RAS_OPTION_REMOTE_DEFAULT_GATEWAY;
  out.deviceType = profile->deviceType;
  out.deviceName = profile->deviceName;
  out.entryType = profile->entryType;
  return RAS_SUCCESS;
}

std::optional<NetworkManagerSource::Active> NetworkManagerSource::describe(
    const QString& activePath) {
  const QDBusMessage reply =
      m_bus.call(activePath, kProperties, QStringLiteral("GetAll"), {kActiveInterface});
  if (failed(reply)) return std::nullopt;
  const QVariantMap found = firstArgument<QVariantMap>(reply);
  Active active;
  const auto handle = nmHandleOfPath(activePath);
  const QString type = found.value(QStringLiteral("Type")).toString();
  if (!handle || !isDialUpType(type)) return active;  // Wi-Fi, Ethernet, VPN: not ours
  active.handle = *handle;
  active.uuid = found.value(QStringLiteral("Uuid")).toString().toStdString();
  active.entryName = entryNameOfId(found.value(QStringLiteral("Id")).toString().toStdString());
  active.profilePath = found.value(QStringLiteral("Connection")).value<QDBusObjectPath>().path();
  // The profile tells a Bluetooth dial-up line from a personal network, and names the device.
  const QDBusMessage settings =
      m_bus.call(active.profilePath, kProfileInterface, QStringLiteral("GetSettings"));
  const auto profile = failed(settings)
                           ? std::nullopt
                           : dialUpProfile(active.profilePath, firstArgument<NmSettings>(settings));
  if (type == QLatin1String("bluetooth") && !profile)
    return failed(settings) ? std::nullopt : std::optional<Active>(active);  // not now, or PAN
  active.dialUp = true;
  active.deviceType =
      profile ? profile->deviceType : (type == QLatin1String("pppoe") ? "PPPoE" : "modem");
  if (profile) {
    active.deviceName = profile->deviceName;
    active.number = profile->number;
  }
  return active;
}

void NetworkManagerSource::refreshActive() {
  if (!connected()) return;
  const QStringList paths = pathsOf(qdbus_cast<QList<QDBusObjectPath>>(
      m_bus.property(kManager, kManagerInterface, QStringLiteral("ActiveConnections"))));
  // The monitor's steady case: the same list as a second ago, nothing more to ask.
  if (m_activeComplete && paths == m_activePaths) return;
  std::map<QString, Active> next;
  m_activeComplete = true;
  for (const QString& path : paths) {
    const auto known = m_active.find(path);
    if (known != m_active.end()) {
      next.insert(*known);
    } else if (auto active = describe(path)) {
      next.emplace(path, std::move(*active));
    } else {
      m_activeComplete = false;  // asked again next time, so that none is missed
    }
  }
  m_active = std::move(next);
  m_activePaths = paths;
  for (auto it = m_hangUps.begin(); it != m_hangUps.end();) {
    const bool listed = m_active.count(nmPathOfHandle(it->first)) != 0;
    it = listed ? std::next(it) : m_hangUps.erase(it);
  }
}

std::uint32_t NetworkManagerSource::activeConnections(std::vector<ActiveConnection>& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  refreshActive();
  for (const QString& path : m_activePaths) {
    const auto active = m_active.find(path);
    if (active == m_active.end() || !active->second.dialUp) continue;
    const Active& a = active->second;
    out.push_back({a.handle, a.entryName, a.deviceType, a.deviceName, kPhonebook});
    disconnectOverdue(a.handle, kActivated);
  }
  return RAS_SUCCESS;
}

NetworkManagerSource::Found NetworkManagerSource::lookUp(RasHandle handle) {
  if ((handle & kNmHandleBit) == 0 || !connected()) return {RAS_ERROR_INVALID_HANDLE, {}};
  const QString path = nmPathOfHandle(handle);
  const QDBusMessage reply =
      m_bus.call(path, kProperties, QStringLiteral("GetAll"), {kActiveInterface});
  // Gone, or NetworkManager with it: either way no connection is left under this handle.
  if (failed(reply)) return {RAS_ERROR_INVALID_HANDLE, {}};
  Found found{RAS_SUCCESS, firstArgument<QVariantMap>(reply)};
  if (!isDialUpType(found.properties.value(QStringLiteral("Type")).toString()))
    return {RAS_ERROR_INVALID_HANDLE, {}};
  // A handle reported for one connection never stands for another.
  const auto known = m_active.find(path);
  if (known != m_active.end() &&
      (!known->second.dialUp ||
       known->second.uuid !=
           found.properties.value(QStringLiteral("Uuid")).toString().toStdString()))
    return {RAS_ERROR_INVALID_HANDLE, {}};
  return found;
}

void NetworkManagerSource::disconnectOverdue(RasHandle handle, std::uint32_t state) {
  const auto hangUp = m_hangUps.find(handle);
  if (hangUp == m_hangUps.end()) return;
  if (state == kDeactivated) {
    m_hangUps.erase(hangUp);
    return;
  }
  if (std::chrono::steady_clock::now() < hangUp->second.disconnectAt) return;
  // NetworkManager has not taken it down: its devices are disconnected, which ends every
  // connection on them.
  for (const QString& device : hangUp->second.devices)
    m_bus.call(device, kDeviceInterface, QStringLiteral("Disconnect"), {}, NmBus::kActionTimeoutMs);
  m_hangUps.erase(hangUp);
}

std::uint32_t NetworkManagerSource::status(RasHandle handle, ConnectionStatus& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const Found found = lookUp(handle);
  if (found.error != RAS_SUCCESS) return found.error;
  const std::uint32_t state = found.properties.value(QStringLiteral("State")).toUInt();
  disconnectOverdue(handle, state);
  out.state = rasState(state);
  out.error = 0;
  const auto known = m_active.find(nmPathOfHandle(handle));
  if (known != m_active.end()) {
    out.deviceType = known->second.deviceType;
    out.deviceName = known->second.deviceName;
    out.phoneNumber = known->second.number;
  }
  return RAS_SUCCESS;
}

std::uint32_t NetworkManagerSource::hangUp(RasHandle handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const Found found = lookUp(handle);
  if (found.error != RAS_SUCCESS) return found.error;
  const QDBusMessage reply = m_bus.call(
      kManager, kManagerInterface, QStringLiteral("DeactivateConnection"),
      {QVariant::fromValue(QDBusObjectPath(nmPathOfHandle(handle)))}, NmBus::kActionTimeoutMs);
  if (reply.type() == QDBusMessage::ErrorMessage)
    return NmBus::isGone(reply) ? static_cast<std::uint32_t>(RAS_ERROR_INVALID_HANDLE)
                                : NmBus::errorCode(reply);
  const QStringList devices = pathsOf(
      qdbus_cast<QList<QDBusObjectPath>>(found.properties.value(QStringLiteral("Devices"))));
  m_hangUps[handle] = {std::chrono::steady_clock::now() + kDisconnectAfter, devices};
  return RAS_SUCCESS;
}

std::uint32_t NetworkManagerSource::dial(const std::string& entry, const DialNotifier&,
                                         RasHandle& handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto profile = findProfile(entry);
  if (!profile) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  // A profile that is up or coming up is not activated again (NetworkManager would take
  // the line down and dial anew); its handle is the answer.
  refreshActive();
  for (const auto& [path, active] : m_active) {
    if (active.dialUp && active.profilePath.toStdString() == profile->path) {
      handle = active.handle;
      return RAS_SUCCESS;
    }
  }
  const QDBusMessage reply = m_bus.call(
      kManager, kManagerInterface, QStringLiteral("ActivateConnection"),
      {objectPath(profile->path), objectPath("/"), objectPath("/")}, NmBus::kActionTimeoutMs);
  if (reply.type() == QDBusMessage::ErrorMessage) return NmBus::errorCode(reply);
  const auto activated = nmHandleOfPath(firstArgument<QDBusObjectPath>(reply).path());
  if (!activated) return RAS_ERROR_NM_FAILED;
  handle = *activated;
  return RAS_SUCCESS;
}

std::uint32_t NetworkManagerSource::remove(const std::string& entry) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto profile = findProfile(entry);
  if (!profile) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  const QDBusMessage reply = m_bus.call(QString::fromStdString(profile->path), kProfileInterface,
                                        QStringLiteral("Delete"), {}, NmBus::kActionTimeoutMs);
  if (reply.type() == QDBusMessage::ErrorMessage)
    return NmBus::isGone(reply) ? static_cast<std::uint32_t>(RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY)
                                : NmBus::errorCode(reply);
  m_profiles.clear();
  return RAS_SUCCESS;
}

EntryDialogContent NetworkManagerSource::dialogContent(const NmProfile& profile) {
  EntryDialogContent content;
  content.values = {profile.number, profile.user, {}};
  readPassword(profile, content.values.password);

  // NetworkManager tells which profiles the user may change: those of the machine, and
  // those that belong to the user, are two permissions. "auth" means polkit will ask.
  const QString permission =
      profile.systemWide ? QStringLiteral("org.freedesktop.NetworkManager.settings.modify.system")
                         : QStringLiteral("org.freedesktop.NetworkManager.settings.modify.own");
  const QDBusMessage reply =
      m_bus.call(kManager, kManagerInterface, QStringLiteral("GetPermissions"));
  const bool mayChange =
      firstArgument<QMap<QString, QString>>(reply).value(permission) != QLatin1String("no");
  const FieldAccess refused{false,
                            "NetworkManager erlaubt Ihnen nicht, diese Verbindung zu ändern."};
  const FieldAccess writable{true, {}};
  const FieldAccess nothingToChange{false, "Diese Verbindung hat keine Einwahldaten."};

  content.user = !mayChange ? refused : profile.secretSetting.empty() ? nothingToChange : writable;
  content.password = content.user;
  content.number = content.user;
  if (content.number.writable && profile.secretSetting == "pppoe")
    content.number = {false, "Diese Verbindung wählt keine Rufnummer."};
  if (content.password.writable && profile.passwordNeverSaved)
    content.password = {false,
                        "Das Kennwort wird für diese Verbindung nicht gespeichert; es wird beim "
                        "Verbinden erfragt."};
  return content;
}

std::string NetworkManagerSource::save(const NmProfile& profile, const EntryValues& before,
                                       const EntryValues& after) {
  if (const std::string invalid = checkEntryValues(before, after); !invalid.empty()) return invalid;
  const bool numberChanged = after.number != before.number;
  const bool userChanged = after.user != before.user;
  const bool passwordChanged = after.password != before.password;
  if (!numberChanged && !userChanged && !passwordChanged) return {};

  // NetworkManager replaces a profile whole: every other setting goes back as it came.
  const QString path = QString::fromStdString(profile.path);
  const QDBusMessage current = m_bus.call(path, kProfileInterface, QStringLiteral("GetSettings"));
  if (failed(current)) return "NetworkManager kennt diese Verbindung nicht mehr.";
  NmSettings settings = firstArgument<NmSettings>(current);
  const auto now = dialUpProfile(path, settings);
  if (!now || now->number != profile.number || now->user != profile.user)
    return "Die Verbindung wurde inzwischen geändert. Bitte öffnen Sie den Dialog erneut.";
  QVariantMap& setting = settings[QString::fromStdString(profile.secretSetting)];
  if (numberChanged) setting[QStringLiteral("number")] = QString::fromStdString(after.number);
  if (userChanged) setting[QStringLiteral("username")] = QString::fromStdString(after.user);
  if (passwordChanged) setting[QStringLiteral("password")] = QString::fromStdString(after.password);

  const QDBusMessage reply = m_bus.call(path, kProfileInterface, QStringLiteral("Update"),
                                        {QVariant::fromValue(settings)}, NmBus::kActionTimeoutMs);
  if (reply.type() != QDBusMessage::ErrorMessage) return {};
  if (NmBus::errorCode(reply) == RAS_ERROR_NM_NOT_PERMITTED)
    return "NetworkManager hat das Ändern abgelehnt: Ihnen fehlt die Berechtigung dafür.";
  return "NetworkManager konnte die Verbindung nicht ändern: " + reply.errorMessage().toStdString();
}

std::uint32_t NetworkManagerSource::edit(std::uintptr_t owner, const std::string& entry) {
  std::optional<NmProfile> profile;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    profile = findProfile(entry);
  }
  if (!profile) return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  // The desktop's own editor knows every setting; ours shows number, user and password.
  if (const auto edited = runConnectionEditor(PppPaths::fromEnvironment().nmEditor, profile->uuid))
    return *edited;
  EntryDialogContent content;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    content = dialogContent(*profile);
  }
  const EntryValues before = content.values;
  content.save = [this, &profile, &before](const EntryValues& after) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return save(*profile, before, after);
  };
  return showEntryDialog(owner, entry, content);
}

}  // namespace orv::ras
