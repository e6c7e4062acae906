#pragma once

// The dial-up networking service as the program sees it: the single-byte ("A") entry
// points and the 32-bit record layouts of the classic remote-access interface. The
// program opens this library at run time by name and binds these functions by name.
#include <stdint.h>

#include "orv_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t RasHandle;  // connection handle; 32 bits, as in the records

// Result codes of the service that the program and the library share.
enum {
  RAS_SUCCESS = 0,
  RAS_ERROR_INVALID_HANDLE = 6,
  RAS_ERROR_BUFFER_TOO_SMALL = 603,
  RAS_ERROR_INVALID_SIZE = 632,
  RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623,
  RAS_ERROR_NO_CONNECTION = 668,
  RAS_ERROR_CANNOT_LOAD_LIBRARY = 1157,
  RAS_STATE_DISCONNECTED = 0x2001
};

ORV_EXPORT uint32_t RasDialA(void* extensions, const char* phonebook, void* dialParams,
                             uint32_t notifierType, void* notifier, RasHandle* handle);
ORV_EXPORT uint32_t RasEnumConnectionsA(void* connections, uint32_t* bufferSize, uint32_t* count);
ORV_EXPORT uint32_t RasEnumEntriesA(const char* reserved, const char* phonebook, void* entryNames,
                                    uint32_t* bufferSize, uint32_t* count);
ORV_EXPORT uint32_t RasGetConnectStatusA(RasHandle handle, void* status);
ORV_EXPORT uint32_t RasGetErrorStringA(uint32_t code, char* buffer, uint32_t bufferSize);
ORV_EXPORT uint32_t RasHangUpA(RasHandle handle);
ORV_EXPORT uint32_t RasGetEntryDialParamsA(const char* phonebook, void* dialParams,
                                           int32_t* passwordSaved);
ORV_EXPORT uint32_t RasEditPhonebookEntryA(uintptr_t ownerWindow, const char* phonebook,
                                           const char* entryName);
ORV_EXPORT uint32_t RasGetEntryPropertiesA(const char* phonebook, const char* entryName,
                                           void* entry, uint32_t* entrySize, void* deviceInfo,
                                           uint32_t* deviceInfoSize);
ORV_EXPORT uint32_t RasDeleteEntryA(const char* phonebook, const char* entryName);
ORV_EXPORT uint32_t RasGetCountryInfoA(void* countryInfo, uint32_t* size);

#ifdef __cplusplus
}
#endif
