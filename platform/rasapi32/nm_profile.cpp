#include "nm_profile.h"

#include <QStringList>

namespace orv::ras {
namespace {

const QString kActivePrefix = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/");

// NetworkManager's NM_SETTING_SECRET_FLAG_NOT_SAVED.
constexpr std::uint32_t kSecretNotSaved = 0x2;

std::string text(const QVariantMap& setting, const char* key) {
  return setting.value(QLatin1String(key)).toString().toStdString();
}

}  // namespace

std::string entryNameOfId(const std::string& id) {
  std::string name = id.substr(0, RAS_MAX_ENTRY_NAME);
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return name;
}

bool isDialUpType(const QString& type) {
  return type == QLatin1String("gsm") || type == QLatin1String("cdma") ||
         type == QLatin1String("pppoe") || type == QLatin1String("bluetooth");
}

std::optional<NmProfile> dialUpProfile(const QString& path, const NmSettings& settings) {
  const QVariantMap connection = settings.value(QStringLiteral("connection"));
  NmProfile profile;
  profile.type = text(connection, "type");
  profile.id = text(connection, "id");
  if (profile.id.empty()) return std::nullopt;

  if (profile.type == "gsm" || profile.type == "cdma") {
    profile.secretSetting = profile.type;
  } else if (profile.type == "pppoe" || settings.contains(QStringLiteral("pppoe"))) {
    profile.secretSetting = "pppoe";
  } else if (profile.type == "bluetooth") {
    if (settings.value(QStringLiteral("bluetooth")).value(QStringLiteral("type")).toString() !=
        QLatin1String("dun"))
      return std::nullopt;  // a personal area network, not a dial-up line
    for (const char* kind : {"gsm", "cdma"})
      if (settings.contains(QLatin1String(kind))) {
        profile.secretSetting = kind;
        break;
      }
  } else {
    return std::nullopt;
  }

  profile.path = path.toStdString();
  profile.entryName = entryNameOfId(profile.id);
  profile.uuid = text(connection, "uuid");
  profile.systemWide = connection.value(QStringLiteral("permissions")).toStringList().isEmpty();
  profile.defaultRoute =
      !settings.value(QStringLiteral("ipv4")).value(QStringLiteral("never-default")).toBool();
  profile.deviceName = text(connection, "interface-name");
  if (profile.secretSetting == "pppoe") {
    profile.deviceType = "PPPoE";
    profile.entryType = RAS_ENTRY_TYPE_BROADBAND;
    if (profile.deviceName.empty()) profile.deviceName = text(settings.value("pppoe"), "parent");
  } else {
    profile.deviceType = "modem";
  }
  if (!profile.secretSetting.empty()) {
    const QVariantMap setting = settings.value(QString::fromStdString(profile.secretSetting));
    if (profile.secretSetting != "pppoe") profile.number = text(setting, "number");
    profile.user = text(setting, "username");
    profile.passwordNeverSaved =
        (setting.value(QStringLiteral("password-flags")).toUInt() & kSecretNotSaved) != 0;
  }
  return profile;
}

std::optional<RasHandle> nmHandleOfPath(const QString& activePath) {
  if (!activePath.startsWith(kActivePrefix)) return std::nullopt;
  bool ok = false;
  const qulonglong number = activePath.mid(kActivePrefix.size()).toULongLong(&ok, 10);
  if (!ok || activePath.size() == kActivePrefix.size() || !activePath.back().isDigit())
    return std::nullopt;
  return kNmHandleBit | static_cast<RasHandle>(number & ~kNmHandleBit);
}

QString nmPathOfHandle(RasHandle handle) {
  return kActivePrefix + QString::number(handle & ~kNmHandleBit);
}

}  // namespace orv::ras
