// The exports of the dial-up service: checks of the caller's records, then the dispatcher.
// Nothing is trusted that comes in: sizes are checked before a record is read or written,
// texts are read only up to their field's end and written cut to it.
#include "rasapi32.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "dispatcher.h"
#include "error_texts.h"
#include "phone_number.h"

namespace {

using orv::ras::Dispatcher;

// A text field of a caller's record: its bytes up to the first zero or the field's end.
template <std::size_t N>
std::string fieldText(const char (&field)[N]) {
  return std::string(field, ::strnlen(field, N - 1));
}

// A zero-terminated text of the caller with at most `limit` bytes, or nothing for null.
std::string callerText(const char* text, std::size_t limit) {
  return text ? std::string(text, ::strnlen(text, limit)) : std::string();
}

template <std::size_t N>
void putText(char (&field)[N], const std::string& text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// Runs an export's body; nothing thrown leaves the library.
template <typename Body>
uint32_t guarded(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return RAS_ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    return RAS_ERROR_INTERNAL;
  }
}

// The size a caller wrote into the first record of its buffer, or 0 when the buffer cannot
// even hold that field.
uint32_t recordSize(const void* buffer, const uint32_t* bufferSize) {
  if (!buffer || !bufferSize || *bufferSize < sizeof(uint32_t)) return 0;
  uint32_t size = 0;
  std::memcpy(&size, buffer, sizeof size);
  return size;
}

// Writes `record` (the newest layout, filled) cut to `size` bytes, with that size in front.
template <typename Record>
void putRecord(void* destination, Record record, uint32_t size) {
  record.dwSize = size;
  std::memcpy(destination, &record, size);
}

}  // namespace

uint32_t RasEnumEntriesA(const char*, const char* phonebook, void* entryNames, uint32_t* bufferSize,
                         uint32_t* count) {
  return guarded([&]() -> uint32_t {
    if (!bufferSize || !count) return RAS_ERROR_INVALID_PARAMETER;
    uint32_t size = recordSize(entryNames, bufferSize);
    if (!entryNames) size = RAS_SIZE_ENTRYNAME;
    if (size != RAS_SIZE_ENTRYNAME_V1 && size != RAS_SIZE_ENTRYNAME) return RAS_ERROR_INVALID_SIZE;
    std::vector<orv::ras::PhonebookEntry> entries;
    const uint32_t result = Dispatcher::instance().entries(phonebook, entries);
    if (result != RAS_SUCCESS) return result;
    const auto needed = static_cast<uint32_t>(entries.size() * size);
    *count = static_cast<uint32_t>(entries.size());
    if (!entryNames || *bufferSize < needed) {
      *bufferSize = needed;
      return RAS_ERROR_BUFFER_TOO_SMALL;
    }
    auto* out = static_cast<unsigned char*>(entryNames);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      RASENTRYNAMEA record{};
      putText(record.szEntryName, entries[i].name);
      record.dwFlags = entries[i].flags;
      putText(record.szPhonebookPath, entries[i].phonebook);
      putRecord(out + i * size, record, size);
    }
    *bufferSize = needed;
    return RAS_SUCCESS;
  });
}

uint32_t RasEnumConnectionsA(void* connections, uint32_t* bufferSize, uint32_t* count) {
  return guarded([&]() -> uint32_t {
    if (!bufferSize || !count) return RAS_ERROR_INVALID_PARAMETER;
    uint32_t size = recordSize(connections, bufferSize);
    if (!connections) size = RAS_SIZE_CONN;
    if (size != RAS_SIZE_CONN_V1 && size != RAS_SIZE_CONN_V2 && size != RAS_SIZE_CONN_V3 &&
        size != RAS_SIZE_CONN)
      return RAS_ERROR_INVALID_SIZE;
    std::vector<orv::ras::ActiveConnection> active;
    const uint32_t result = Dispatcher::instance().activeConnections(active);
    if (result != RAS_SUCCESS) return result;
    const auto needed = static_cast<uint32_t>(active.size() * size);
    *count = static_cast<uint32_t>(active.size());
    // More connections than fit: the records that fit are filled all the same, so that a
    // caller with a fixed buffer (the program holds 8) still sees real connections it can
    // hang up, not zeros.
    const std::size_t fitting =
        connections ? std::min<std::size_t>(active.size(), *bufferSize / size) : 0;
    auto* out = static_cast<unsigned char*>(connections);
    for (std::size_t i = 0; i < fitting; ++i) {
      RASCONNA record{};
      record.hrasconn = active[i].handle;
      putText(record.szEntryName, active[i].entryName);
      putText(record.szDeviceType, active[i].deviceType);
      putText(record.szDeviceName, active[i].deviceName);
      putText(record.szPhonebook, active[i].phonebook);
      record.dwSubEntry = 1;
      record.dwFlags = RAS_CONN_ALL_USERS;
      putRecord(out + i * size, record, size);
    }
    const bool tooSmall = fitting < active.size();
    *bufferSize = needed;
    return tooSmall ? RAS_ERROR_BUFFER_TOO_SMALL : RAS_SUCCESS;
  });
}

uint32_t RasGetConnectStatusA(RasHandle handle, void* status) {
  return guarded([&]() -> uint32_t {
    if (!status) return RAS_ERROR_INVALID_PARAMETER;
    uint32_t size = 0;
    std::memcpy(&size, status, sizeof size);
    if (size != RAS_SIZE_CONNSTATUS_V1 && size != RAS_SIZE_CONNSTATUS)
      return RAS_ERROR_INVALID_SIZE;
    if (handle == 0) return RAS_ERROR_INVALID_HANDLE;
    orv::ras::ConnectionStatus found;
    const uint32_t result = Dispatcher::instance().status(handle, found);
    if (result != RAS_SUCCESS) return result;
    RASCONNSTATUSA record{};
    record.rasconnstate = found.state;
    record.dwError = found.error;
    putText(record.szDeviceType, found.deviceType);
    putText(record.szDeviceName, found.deviceName);
    putText(record.szPhoneNumber, found.phoneNumber);
    putRecord(status, record, size);
    return RAS_SUCCESS;
  });
}

uint32_t RasGetErrorStringA(uint32_t code, char* buffer, uint32_t bufferSize) {
  return guarded([&]() -> uint32_t {
    if (!buffer || bufferSize == 0) return RAS_ERROR_INVALID_PARAMETER;
    const std::string text = orv::ras::errorText(code);
    const std::size_t n = std::min<std::size_t>(text.size(), bufferSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return RAS_SUCCESS;
  });
}

uint32_t RasHangUpA(RasHandle handle) {
  return guarded([&]() -> uint32_t {
    if (handle == 0) return RAS_ERROR_INVALID_HANDLE;
    return Dispatcher::instance().hangUp(handle);
  });
}

uint32_t RasDialA(void*, const char* phonebook, void* dialParams, uint32_t notifierType,
                  void* notifier, RasHandle* handle) {
  return guarded([&]() -> uint32_t {
    if (!handle || !dialParams) return RAS_ERROR_INVALID_PARAMETER;
    *handle = 0;
    const auto* params = static_cast<const RASDIALPARAMSA*>(dialParams);
    if (params->dwSize != RAS_SIZE_DIALPARAMS_V1 && params->dwSize != RAS_SIZE_DIALPARAMS)
      return RAS_ERROR_INVALID_SIZE;
    orv::ras::DialNotifier tell;
    if (notifier && (notifierType == RAS_NOTIFIER_FUNC1 || notifierType == RAS_NOTIFIER_FUNC2)) {
      tell.kind = notifierType;
      tell.function = notifier;
      tell.subEntry = params->dwSubEntry;
      if (params->dwSize == RAS_SIZE_DIALPARAMS) tell.callbackId = params->dwCallbackId;
    }
    // The entry dials with its own number and login; pppd takes them from its files.
    return Dispatcher::instance().dial(phonebook, fieldText(params->szEntryName), tell, *handle);
  });
}

uint32_t RasGetEntryDialParamsA(const char* phonebook, void* dialParams, int32_t* passwordSaved) {
  return guarded([&]() -> uint32_t {
    if (!dialParams) return RAS_ERROR_INVALID_PARAMETER;
    auto* params = static_cast<RASDIALPARAMSA*>(dialParams);
    if (params->dwSize != RAS_SIZE_DIALPARAMS_V1 && params->dwSize != RAS_SIZE_DIALPARAMS)
      return RAS_ERROR_INVALID_SIZE;
    orv::ras::DialParameters found;
    const uint32_t result =
        Dispatcher::instance().dialParameters(phonebook, fieldText(params->szEntryName), found);
    if (result != RAS_SUCCESS) return result;
    // Every text field lies within the older, shorter record too.
    putText(params->szPhoneNumber, "");
    putText(params->szCallbackNumber, "");
    putText(params->szUserName, found.user);
    putText(params->szPassword, found.passwordSaved ? found.password : std::string());
    putText(params->szDomain, "");
    if (passwordSaved) *passwordSaved = found.passwordSaved ? 1 : 0;
    return RAS_SUCCESS;
  });
}

uint32_t RasEditPhonebookEntryA(uintptr_t ownerWindow, const char* phonebook,
                                const char* entryName) {
  return guarded([&]() -> uint32_t {
    if (!entryName) return RAS_ERROR_INVALID_PARAMETER;
    return Dispatcher::instance().edit(ownerWindow, phonebook,
                                       callerText(entryName, RAS_MAX_ENTRY_NAME + 1));
  });
}

uint32_t RasGetEntryPropertiesA(const char* phonebook, const char* entryName, void* entry,
                                uint32_t* entrySize, void*, uint32_t* deviceInfoSize) {
  return guarded([&]() -> uint32_t {
    if (!entrySize) return RAS_ERROR_INVALID_PARAMETER;
    orv::ras::EntryProperties found;
    const uint32_t result = Dispatcher::instance().properties(
        phonebook, callerText(entryName, RAS_MAX_ENTRY_NAME + 1), found);
    if (result != RAS_SUCCESS) return result;
    if (deviceInfoSize) *deviceInfoSize = 0;  // no device-specific block on this platform
    if (!entry) {
      *entrySize = RAS_SIZE_ENTRY;
      return RAS_ERROR_BUFFER_TOO_SMALL;
    }
    const uint32_t size = recordSize(entry, entrySize);
    if (size != RAS_SIZE_ENTRY_V1 && size != RAS_SIZE_ENTRY_V2 && size != RAS_SIZE_ENTRY_V3 &&
        size != RAS_SIZE_ENTRY)
      return RAS_ERROR_INVALID_SIZE;
    if (*entrySize < size) {
      *entrySize = size;
      return RAS_ERROR_BUFFER_TOO_SMALL;
    }
    RASENTRYA record{};
    record.dwfOptions = found.options;
    record.dwCountryID = found.countryId;
    record.dwCountryCode = found.countryCode;
    putText(record.szAreaCode, found.areaCode);
    putText(record.szLocalPhoneNumber, found.localNumber);
    record.dwfNetProtocols = RAS_PROTOCOL_IP;
    record.dwFramingProtocol = RAS_FRAMING_PPP;
    putText(record.szScript, found.script);
    putText(record.szDeviceType, found.deviceType);
    putText(record.szDeviceName, found.deviceName);
    record.dwType = found.entryType;
    putRecord(entry, record, size);
    *entrySize = size;
    return RAS_SUCCESS;
  });
}

uint32_t RasDeleteEntryA(const char* phonebook, const char* entryName) {
  return guarded([&]() -> uint32_t {
    if (!entryName) return RAS_ERROR_INVALID_PARAMETER;
    return Dispatcher::instance().remove(phonebook, callerText(entryName, RAS_MAX_ENTRY_NAME + 1));
  });
}

uint32_t RasGetCountryInfoA(void* countryInfo, uint32_t* size) {
  return guarded([&]() -> uint32_t {
    if (!size) return RAS_ERROR_INVALID_PARAMETER;
    // The record and the empty name behind it: countries are known by code, not by name.
    const uint32_t needed = sizeof(RASCTRYINFO) + 1;
    if (!countryInfo || *size < needed) {
      *size = needed;
      return RAS_ERROR_BUFFER_TOO_SMALL;
    }
    auto* info = static_cast<RASCTRYINFO*>(countryInfo);
    if (info->dwSize != sizeof(RASCTRYINFO)) return RAS_ERROR_INVALID_SIZE;
    // Country ids here are the country codes, as the entries report them.
    if (!orv::ras::isCountryCode(info->dwCountryID)) return RAS_ERROR_INVALID_PARAMETER;
    info->dwNextCountryID = 0;
    info->dwCountryCode = info->dwCountryID;
    info->dwCountryNameOffset = sizeof(RASCTRYINFO);
    static_cast<char*>(countryInfo)[sizeof(RASCTRYINFO)] = '\0';
    *size = needed;
    return RAS_SUCCESS;
  });
}
