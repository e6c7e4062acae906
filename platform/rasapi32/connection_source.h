#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "line_watcher.h"
#include "phone_number.h"
#include "rasapi32.h"

namespace orv::ras {

// Texts are the bytes of the files and processes they come from (UTF-8 on a normal system);
// the service hands them on unchanged and only cuts them to their record fields.

struct PhonebookEntry {
  std::string name;
  std::uint32_t flags = 0;
  std::string phonebook;
};

struct DialParameters {
  std::string user;
  std::string password;
  bool passwordSaved = false;
};

struct EntryProperties {
  std::uint32_t options = 0;
  std::uint32_t countryId = 0;
  std::uint32_t countryCode = 0;
  std::string areaCode;
  std::string localNumber;
  std::string deviceType;
  std::string deviceName;
  std::string script;  // the chat script, when the entry has one
  std::uint32_t entryType = RAS_ENTRY_TYPE_PHONE;

  // The number fields for the dial string the entry really dials (splitDialString).
  void setDialString(const std::string& dialString) {
    const PhoneFields phone = splitDialString(dialString);
    countryId = phone.countryId;
    countryCode = phone.countryCode;
    areaCode = phone.areaCode;
    localNumber = phone.localNumber;
    if (phone.useCountryAndArea) options |= RAS_OPTION_USE_COUNTRY_AND_AREA;
  }
};

struct ActiveConnection {
  RasHandle handle = 0;
  std::string entryName;
  std::string deviceType;
  std::string deviceName;
  std::string phonebook;
};

struct ConnectionStatus {
  std::uint32_t state = RAS_STATE_DISCONNECTED;
  std::uint32_t error = 0;
  std::string deviceType;
  std::string deviceName;
  std::string phoneNumber;
};

// One kind of connection the service offers (pppd today; others can stand beside it). Every
// operation returns 0 or a code of rasapi32.h; a source answers 623 for an entry and 6 for a
// handle that is not its own, so that the next source can be asked.
class ConnectionSource {
 public:
  virtual ~ConnectionSource() = default;

  // The phonebook this source's entries live in, as reported in the records.
  virtual std::string phonebook() const = 0;
  virtual std::uint32_t entries(std::vector<PhonebookEntry>& out) = 0;
  virtual std::uint32_t dialParameters(const std::string& entry, DialParameters& out) = 0;
  virtual std::uint32_t properties(const std::string& entry, EntryProperties& out) = 0;
  // The active connections in a stable order.
  virtual std::uint32_t activeConnections(std::vector<ActiveConnection>& out) = 0;
  virtual std::uint32_t dial(const std::string& entry, const DialNotifier& notifier,
                             RasHandle& handle) = 0;
  virtual std::uint32_t hangUp(RasHandle handle) = 0;
  virtual std::uint32_t status(RasHandle handle, ConnectionStatus& out) = 0;
  // Shows the source's modal dialog for the entry over `owner` (a window id, may be 0).
  virtual std::uint32_t edit(std::uintptr_t owner, const std::string& entry) = 0;
  virtual std::uint32_t remove(const std::string& entry) = 0;
};

}  // namespace orv::ras
