// The dial-up service as seen on a machine that has no dial-up connections configured:
// an empty phonebook, no active connections, and "entry not found" for every entry.
// The real work over pppd replaces these bodies; the exports and their codes stay.
#include "rasapi32.h"

#include <cstdio>

uint32_t RasDialA(void*, const char*, void*, uint32_t, void*, RasHandle* handle) {
  if (handle) *handle = 0;
  return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

uint32_t RasEnumConnectionsA(void*, uint32_t*, uint32_t* count) {
  if (count) *count = 0;
  return RAS_SUCCESS;
}

uint32_t RasEnumEntriesA(const char*, const char*, void*, uint32_t*, uint32_t* count) {
  if (count) *count = 0;
  return RAS_SUCCESS;
}

uint32_t RasGetConnectStatusA(RasHandle, void*) {
  return RAS_ERROR_INVALID_HANDLE;
}

uint32_t RasGetErrorStringA(uint32_t code, char* buffer, uint32_t bufferSize) {
  if (!buffer || bufferSize == 0) return RAS_ERROR_BUFFER_TOO_SMALL;
  const char* text = nullptr;
  switch (code) {
    case RAS_ERROR_INVALID_HANDLE:
      text = "Ung\xFC" "ltiges Handle";  // single bytes, as every text of the service
      break;
    case RAS_ERROR_BUFFER_TOO_SMALL:
      text = "Der Puffer ist zu klein";
      break;
    case RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY:
      text = "Der Telefonbucheintrag wurde nicht gefunden";
      break;
    case RAS_ERROR_NO_CONNECTION:
      text = "Die Verbindung wurde getrennt";
      break;
    default:
      break;
  }
  if (!text) {
    buffer[0] = '\0';
    return RAS_SUCCESS;
  }
  std::snprintf(buffer, bufferSize, "%s", text);
  return RAS_SUCCESS;
}

uint32_t RasHangUpA(RasHandle) {
  return RAS_ERROR_INVALID_HANDLE;
}

uint32_t RasGetEntryDialParamsA(const char*, void*, int32_t* passwordSaved) {
  if (passwordSaved) *passwordSaved = 0;
  return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

uint32_t RasEditPhonebookEntryA(uintptr_t, const char*, const char*) {
  return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

uint32_t RasGetEntryPropertiesA(const char*, const char*, void*, uint32_t*, void*, uint32_t*) {
  return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

uint32_t RasDeleteEntryA(const char*, const char*) {
  return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

uint32_t RasGetCountryInfoA(void*, uint32_t* size) {
  if (size) *size = 0;
  return RAS_ERROR_BUFFER_TOO_SMALL;
}
