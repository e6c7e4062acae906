#pragma once

#include <QMap>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <optional>
#include <string>

#include "rasapi32.h"

namespace orv::ras {

// A NetworkManager profile as its settings object gives it: setting name -> key -> value
// (D-Bus a{sa{sv}}).
using NmSettings = QMap<QString, QVariantMap>;

// A profile of a dial-up kind, as the service reports it. NetworkManager's texts are UTF-8,
// handed on as bytes like pppd's.
//
// Which profiles are entries, and where their values come from:
//   connection.type  setting with number, user and password   device type
//   gsm              gsm                                       modem
//   cdma             cdma                                      modem
//   pppoe            pppoe (no number: DSL dials nothing)      PPPoE
//   bluetooth        gsm or cdma, only with bluetooth.type "dun"  modem
// A profile of another type with a "pppoe" setting counts as PPPoE. The number fills the
// entry's fields as a pppd dial string does (splitDialString): "+49171..." shows as
// "+49 () 171...", "*99#" as "+0 () *99#". The password is never in the settings; it is
// asked for with GetSecrets on the setting named here, unless its flags say it is not saved.
struct NmProfile {
  std::string path;       // the settings object
  std::string id;         // connection.id as NetworkManager has it
  std::string entryName;  // the id as an entry name (see entryNameOfId)
  std::string uuid;
  std::string type;           // connection.type
  std::string secretSetting;  // "gsm", "cdma", "pppoe", or empty when the profile has none
  std::string number;
  std::string user;
  bool passwordNeverSaved = false;  // password-flags: not saved
  bool systemWide = true;           // no connection.permissions: a profile of the machine
  bool defaultRoute = true;         // ipv4.never-default not set
  std::string deviceType;
  std::string deviceName;  // connection.interface-name, or pppoe.parent
  std::uint32_t entryType = RAS_ENTRY_TYPE_PHONE;
};

// The profile behind `settings` when it is of a dial-up kind; nothing for any other.
std::optional<NmProfile> dialUpProfile(const QString& path, const NmSettings& settings);

// An entry name for a profile's id: control characters (which would break every list the
// name stands in) become "?", and it is cut to the 256 bytes of an entry name.
std::string entryNameOfId(const std::string& id);

// Whether an active connection of `type` can be a dial-up one ("bluetooth" only with a DUN
// profile behind it).
bool isDialUpType(const QString& type);

// Active connections are known by handles that never collide with a pppd's pid (below
// 2^22): the top bit set, and the number at the end of the active connection's object path
// (NetworkManager counts them up and never reuses one while it runs).
constexpr RasHandle kNmHandleBit = 0x80000000U;
std::optional<RasHandle> nmHandleOfPath(const QString& activePath);
QString nmPathOfHandle(RasHandle handle);

}  // namespace orv::ras
