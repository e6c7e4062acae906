#pragma once

// The dial-up networking service as the program sees it: the single-byte ("A") entry
// points and the 32-bit record layouts of the classic remote-access interface. The
// program opens this library at run time by name and binds these functions by name.
//
// Records are laid out as on the 32-bit platform the interface comes from: 4-byte
// alignment, handles of 32 bits. Each record starts with its size; the size the caller
// writes there chooses the generation of the record (see the RAS_SIZE_* values), and the
// library never writes beyond it. Texts are zero-terminated single bytes, cut to their field.
//
// Threads: every function may be called from any thread, but RasEditPhonebookEntryA only
// from the thread of the application's window (it shows a modal dialog). Dial progress
// reaches the notifier on a thread of the library.
#include <stddef.h>
#include <stdint.h>

#include "orv_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t RasHandle;  // connection handle; 32 bits, as in the records

// Result codes of the service that the program and the library share.
enum {
  RAS_SUCCESS = 0,
  RAS_ERROR_ACCESS_DENIED = 5,
  RAS_ERROR_INVALID_HANDLE = 6,
  RAS_ERROR_NOT_ENOUGH_MEMORY = 8,
  RAS_ERROR_INVALID_PARAMETER = 87,
  RAS_ERROR_BUFFER_TOO_SMALL = 603,
  RAS_ERROR_CANNOT_OPEN_PHONEBOOK = 621,
  RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623,
  RAS_ERROR_INVALID_SIZE = 632,
  RAS_ERROR_NO_CONNECTION = 668,
  RAS_ERROR_CANNOT_LOAD_LIBRARY = 1157,

  // Codes of this platform, where no classic code says what went wrong.
  RAS_ERROR_PPPD_MISSING = 30001,         // the pppd program is not installed
  RAS_ERROR_PPPD_NOT_PERMITTED = 30002,   // the user may not run pppd (not in group dip)
  RAS_ERROR_PPPD_NOT_STARTED = 30003,     // pppd could not be started for another reason
  RAS_ERROR_PEERS_NOT_PERMITTED = 30004,  // the folder of the entries may not be read
  RAS_ERROR_NO_DIALOG = 30005,            // no window system, or not the window's thread
  RAS_ERROR_DELETE_FAILED = 30006,        // the entry's file could not be removed
  RAS_ERROR_INTERNAL = 30007,             // an unexpected failure inside the library
  RAS_ERROR_NM_NOT_PERMITTED = 30008,     // NetworkManager refused: the user lacks the right
  RAS_ERROR_NM_UNREACHABLE = 30009,       // NetworkManager does not run or cannot be reached
  RAS_ERROR_NM_NO_ANSWER = 30010,         // NetworkManager did not answer in time
  RAS_ERROR_NM_NO_DEVICE = 30011,         // no device is ready for the profile (no modem)
  RAS_ERROR_NM_FAILED = 30012,            // NetworkManager refused for another reason
  // Dial progress: pppd ended before the line was up; the code is this base plus pppd's
  // exit status (0 to 19), or RAS_ERROR_PPPD_ENDED when the status is not known.
  RAS_ERROR_PPPD_EXIT_BASE = 30100,
  RAS_ERROR_PPPD_ENDED = 30120
};

// Connection states (RasGetConnectStatusA, dial progress).
enum {
  RAS_STATE_OPEN_PORT = 0,
  RAS_STATE_CONNECT_DEVICE = 2,
  RAS_STATE_CONNECTED = 0x2000,
  RAS_STATE_DISCONNECTED = 0x2001
};

// Field lengths without the terminating zero.
enum {
  RAS_MAX_ENTRY_NAME = 256,
  RAS_MAX_DEVICE_TYPE = 16,
  RAS_MAX_DEVICE_NAME = 128,
  RAS_MAX_PHONE_NUMBER = 128,
  RAS_MAX_CALLBACK_NUMBER = 128,
  RAS_MAX_AREA_CODE = 10,
  RAS_MAX_PAD_TYPE = 32,
  RAS_MAX_X25_ADDRESS = 200,
  RAS_MAX_FACILITIES = 200,
  RAS_MAX_USER_DATA = 200,
  RAS_MAX_DNS_SUFFIX = 256,
  RAS_MAX_USER_NAME = 256,
  RAS_MAX_PASSWORD = 256,
  RAS_MAX_DOMAIN = 15,
  RAS_MAX_PATH = 260
};

// Record sizes of each generation, oldest first.
enum {
  RAS_SIZE_ENTRYNAME_V1 = 264,
  RAS_SIZE_ENTRYNAME = 532,
  RAS_SIZE_CONN_V1 = 412,
  RAS_SIZE_CONN_V2 = 676,
  RAS_SIZE_CONN_V3 = 692,
  RAS_SIZE_CONN = 704,
  RAS_SIZE_DIALPARAMS_V1 = 1052,
  RAS_SIZE_DIALPARAMS = 1060,
  RAS_SIZE_ENTRY_V1 = 1768,
  RAS_SIZE_ENTRY_V2 = 1796,
  RAS_SIZE_ENTRY_V3 = 2088,
  RAS_SIZE_ENTRY = 2884,
  RAS_SIZE_CONNSTATUS_V1 = 160,
  RAS_SIZE_CONNSTATUS = 288
};

// Flags and option bits used here.
enum {
  RAS_ENTRY_ALL_USERS = 0x1,  // RASENTRYNAMEA.dwFlags: a phonebook of the machine
  RAS_CONN_ALL_USERS = 0x1,   // RASCONNA.dwFlags
  RAS_OPTION_USE_COUNTRY_AND_AREA = 0x1,
  RAS_OPTION_REMOTE_DEFAULT_GATEWAY = 0x10,
  RAS_FRAMING_PPP = 0x1,
  RAS_PROTOCOL_IP = 0x4,
  RAS_ENTRY_TYPE_PHONE = 1,
  RAS_ENTRY_TYPE_VPN = 2,
  RAS_ENTRY_TYPE_BROADBAND = 5
};

// Dial notifiers. The message is always RAS_DIAL_EVENT. A RasDialFunc2 that returns 0
// receives no further calls for that dial.
enum { RAS_DIAL_EVENT = 0xCCCD, RAS_NOTIFIER_FUNC1 = 1, RAS_NOTIFIER_FUNC2 = 2 };
typedef void (*RasDialFunc1)(RasHandle handle, uint32_t message, uint32_t state, uint32_t error,
                             uint32_t extendedError);
typedef uint32_t (*RasDialFunc2)(uint32_t callbackId, uint32_t subEntry, RasHandle handle,
                                 uint32_t message, uint32_t state, uint32_t error,
                                 uint32_t extendedError);

#pragma pack(push, 4)

typedef struct RASGUID {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
} RASGUID;

typedef struct RASLUID {
  uint32_t lowPart;
  int32_t highPart;
} RASLUID;

typedef struct RASENTRYNAMEA {
  uint32_t dwSize;
  char szEntryName[RAS_MAX_ENTRY_NAME + 1];
  // From here on only in records of RAS_SIZE_ENTRYNAME bytes.
  uint32_t dwFlags;
  char szPhonebookPath[RAS_MAX_PATH + 1];
} RASENTRYNAMEA;

typedef struct RASCONNA {
  uint32_t dwSize;
  RasHandle hrasconn;
  char szEntryName[RAS_MAX_ENTRY_NAME + 1];
  char szDeviceType[RAS_MAX_DEVICE_TYPE + 1];
  char szDeviceName[RAS_MAX_DEVICE_NAME + 1];
  char szPhonebook[RAS_MAX_PATH];
  uint32_t dwSubEntry;
  RASGUID guidEntry;
  uint32_t dwFlags;
  RASLUID luid;
} RASCONNA;

typedef struct RASDIALPARAMSA {
  uint32_t dwSize;
  char szEntryName[RAS_MAX_ENTRY_NAME + 1];
  char szPhoneNumber[RAS_MAX_PHONE_NUMBER + 1];
  char szCallbackNumber[RAS_MAX_CALLBACK_NUMBER + 1];
  char szUserName[RAS_MAX_USER_NAME + 1];
  char szPassword[RAS_MAX_PASSWORD + 1];
  char szDomain[RAS_MAX_DOMAIN + 1];
  uint32_t dwSubEntry;
  uint32_t dwCallbackId;
} RASDIALPARAMSA;

typedef struct RASIPADDR {
  uint8_t a, b, c, d;
} RASIPADDR;

typedef struct RASENTRYA {
  uint32_t dwSize;
  uint32_t dwfOptions;
  uint32_t dwCountryID;
  uint32_t dwCountryCode;
  char szAreaCode[RAS_MAX_AREA_CODE + 1];
  char szLocalPhoneNumber[RAS_MAX_PHONE_NUMBER + 1];
  uint32_t dwAlternateOffset;
  RASIPADDR ipaddr;
  RASIPADDR ipaddrDns;
  RASIPADDR ipaddrDnsAlt;
  RASIPADDR ipaddrWins;
  RASIPADDR ipaddrWinsAlt;
  uint32_t dwFrameSize;
  uint32_t dwfNetProtocols;
  uint32_t dwFramingProtocol;
  char szScript[RAS_MAX_PATH];
  char szAutodialDll[RAS_MAX_PATH];
  char szAutodialFunc[RAS_MAX_PATH];
  char szDeviceType[RAS_MAX_DEVICE_TYPE + 1];
  char szDeviceName[RAS_MAX_DEVICE_NAME + 1];
  char szX25PadType[RAS_MAX_PAD_TYPE + 1];
  char szX25Address[RAS_MAX_X25_ADDRESS + 1];
  char szX25Facilities[RAS_MAX_FACILITIES + 1];
  char szX25UserData[RAS_MAX_USER_DATA + 1];
  uint32_t dwChannels;
  uint32_t dwReserved1;
  uint32_t dwReserved2;
  // RAS_SIZE_ENTRY_V2 and later
  uint32_t dwSubEntries;
  uint32_t dwDialMode;
  uint32_t dwDialExtraPercent;
  uint32_t dwDialExtraSampleSeconds;
  uint32_t dwHangUpExtraPercent;
  uint32_t dwHangUpExtraSampleSeconds;
  uint32_t dwIdleDisconnectSeconds;
  // RAS_SIZE_ENTRY_V3 and later
  uint32_t dwType;
  uint32_t dwEncryptionType;
  uint32_t dwCustomAuthKey;
  RASGUID guidId;
  char szCustomDialDll[RAS_MAX_PATH];
  uint32_t dwVpnStrategy;
  // RAS_SIZE_ENTRY
  uint32_t dwfOptions2;
  uint32_t dwfOptions3;
  char szDnsSuffix[RAS_MAX_DNS_SUFFIX];
  uint32_t dwTcpWindowSize;
  char szPrerequisitePbk[RAS_MAX_PATH];
  char szPrerequisiteEntry[RAS_MAX_ENTRY_NAME + 1];
  uint32_t dwRedialCount;
  uint32_t dwRedialPause;
} RASENTRYA;

// RasGetCountryInfoA: the caller sets dwSize and dwCountryID; the country's name follows the
// record, dwCountryNameOffset bytes from its start.
typedef struct RASCTRYINFO {
  uint32_t dwSize;
  uint32_t dwCountryID;
  uint32_t dwNextCountryID;
  uint32_t dwCountryCode;
  uint32_t dwCountryNameOffset;
} RASCTRYINFO;

typedef struct RASCONNSTATUSA {
  uint32_t dwSize;
  uint32_t rasconnstate;
  uint32_t dwError;
  char szDeviceType[RAS_MAX_DEVICE_TYPE + 1];
  char szDeviceName[RAS_MAX_DEVICE_NAME + 1];
  // RAS_SIZE_CONNSTATUS
  char szPhoneNumber[RAS_MAX_PHONE_NUMBER + 1];
} RASCONNSTATUSA;

#pragma pack(pop)

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

// The layouts are an interface: every size and offset below is what the other side expects.
static_assert(sizeof(RASGUID) == 16 && alignof(RASGUID) == 4, "GUID layout");
static_assert(sizeof(RASLUID) == 8 && alignof(RASLUID) == 4, "LUID layout");

static_assert(sizeof(RASENTRYNAMEA) == RAS_SIZE_ENTRYNAME, "RASENTRYNAMEA size");
static_assert(offsetof(RASENTRYNAMEA, szEntryName) == 4, "RASENTRYNAMEA layout");
static_assert(offsetof(RASENTRYNAMEA, dwFlags) == RAS_SIZE_ENTRYNAME_V1, "RASENTRYNAMEA layout");
static_assert(offsetof(RASENTRYNAMEA, szPhonebookPath) == 268, "RASENTRYNAMEA layout");

static_assert(sizeof(RASCONNA) == RAS_SIZE_CONN, "RASCONNA size");
static_assert(offsetof(RASCONNA, hrasconn) == 4, "RASCONNA layout");
static_assert(offsetof(RASCONNA, szEntryName) == 8, "RASCONNA layout");
static_assert(offsetof(RASCONNA, szDeviceType) == 265, "RASCONNA layout");
static_assert(offsetof(RASCONNA, szDeviceName) == 282, "RASCONNA layout");
static_assert(offsetof(RASCONNA, szPhonebook) == 411, "RASCONNA layout");
static_assert(offsetof(RASCONNA, dwSubEntry) == 672, "RASCONNA layout");
static_assert(offsetof(RASCONNA, guidEntry) == RAS_SIZE_CONN_V2, "RASCONNA layout");
static_assert(offsetof(RASCONNA, dwFlags) == RAS_SIZE_CONN_V3, "RASCONNA layout");
static_assert(offsetof(RASCONNA, luid) == 696, "RASCONNA layout");

static_assert(sizeof(RASDIALPARAMSA) == RAS_SIZE_DIALPARAMS, "RASDIALPARAMSA size");
static_assert(offsetof(RASDIALPARAMSA, szPhoneNumber) == 261, "RASDIALPARAMSA layout");
static_assert(offsetof(RASDIALPARAMSA, szCallbackNumber) == 390, "RASDIALPARAMSA layout");
static_assert(offsetof(RASDIALPARAMSA, szUserName) == 519, "RASDIALPARAMSA layout");
static_assert(offsetof(RASDIALPARAMSA, szPassword) == 776, "RASDIALPARAMSA layout");
static_assert(offsetof(RASDIALPARAMSA, szDomain) == 1033, "RASDIALPARAMSA layout");
static_assert(offsetof(RASDIALPARAMSA, dwSubEntry) == RAS_SIZE_DIALPARAMS_V1,
              "RASDIALPARAMSA layout");
static_assert(offsetof(RASDIALPARAMSA, dwCallbackId) == 1056, "RASDIALPARAMSA layout");

static_assert(sizeof(RASENTRYA) == RAS_SIZE_ENTRY, "RASENTRYA size");
static_assert(offsetof(RASENTRYA, szAreaCode) == 16, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, szLocalPhoneNumber) == 27, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, dwAlternateOffset) == 156, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, szScript) == 192, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, szDeviceType) == 972, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, szDeviceName) == 989, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, dwChannels) == 1756, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, dwSubEntries) == RAS_SIZE_ENTRY_V1, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, dwType) == RAS_SIZE_ENTRY_V2, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, guidId) == 1808, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, dwfOptions2) == RAS_SIZE_ENTRY_V3, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, szDnsSuffix) == 2096, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, szPrerequisiteEntry) == 2616, "RASENTRYA layout");
static_assert(offsetof(RASENTRYA, dwRedialCount) == 2876, "RASENTRYA layout");

static_assert(sizeof(RASCTRYINFO) == 20, "RASCTRYINFO size");
static_assert(sizeof(RASCONNSTATUSA) == RAS_SIZE_CONNSTATUS, "RASCONNSTATUSA size");
static_assert(offsetof(RASCONNSTATUSA, szDeviceType) == 12, "RASCONNSTATUSA layout");
static_assert(offsetof(RASCONNSTATUSA, szDeviceName) == 29, "RASCONNSTATUSA layout");
static_assert(offsetof(RASCONNSTATUSA, szPhoneNumber) == 158, "RASCONNSTATUSA layout");
#endif
