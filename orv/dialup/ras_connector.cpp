#include "dialup/ras_connector.h"

#include <QCollator>
#include <QElapsedTimer>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "dialup/ras_library.h"
#include "dialup/ras_record_sizes.h"

namespace orv {
namespace {

constexpr uint32_t kStatusQueryFailed = 601;  // HangUp's observed state when none was read
constexpr int kHangUpPollMs = 50;

// The entry table of the module: the names of the last ListEntries, in sorted order.
struct EntryTable {
  std::array<QByteArray, TRasConnector::kEntrySlots> names;
  int count = 0;
};
EntryTable& entryTable() {
  static EntryTable table;
  return table;
}

// Written by the service's thread, read by nobody in the program: atomics, so that the
// record is never torn and no lock is needed.
std::atomic<uint32_t> g_dialState{RAS_STATE_DISCONNECTED};
std::atomic<uint32_t> g_dialError{0};

void recordDialProgress(uint32_t state, uint32_t error) {
  g_dialState = state;
  g_dialError = error;
}

uint32_t dialNotifier2(uint32_t, uint32_t, RasHandle, uint32_t, uint32_t state, uint32_t error,
                       uint32_t) {
  recordDialProgress(state, error);
  return 1;  // keep the notifications coming
}

void dialNotifier1(RasHandle, uint32_t, uint32_t state, uint32_t error, uint32_t) {
  recordDialProgress(state, error);
}

// A zero-terminated text field of a record, read no further than the field.
QByteArray field(const unsigned char* record, std::size_t offset, std::size_t size) {
  const auto* text = reinterpret_cast<const char*>(record + offset);
  return QByteArray(text, static_cast<int>(::strnlen(text, size)));
}

template <std::size_t N>
void putField(char (&target)[N], const QByteArray& text, std::size_t limit) {
  const std::size_t n = std::min({static_cast<std::size_t>(text.size()), limit, N - 1});
  std::memcpy(target, text.constData(), n);
  target[n] = '\0';
}

// Leading and trailing blanks and control characters removed.
QByteArray trimmed(QByteArray text) {
  int from = 0;
  int to = text.size();
  while (from < to && static_cast<unsigned char>(text[from]) <= ' ') ++from;
  while (to > from && static_cast<unsigned char>(text[to - 1]) <= ' ') --to;
  return text.mid(from, to - from);
}

uint32_t readWord(const unsigned char* record, std::size_t offset) {
  uint32_t value = 0;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

void writeWord(unsigned char* record, uint32_t value) {
  std::memcpy(record, &value, sizeof value);
}

}  // namespace

TRasConnector::TRasConnector() = default;

RasLibrary& TRasConnector::library() const {
  return RasLibrary::shared();
}

const char* TRasConnector::phonebook() const {
  return PhoneBookPath.isEmpty() ? nullptr : PhoneBookPath.constData();
}

bool TRasConnector::serviceReady() {
  if (library().ensureLoaded()) return true;
  ResultCode = kNotAvailable;
  return false;
}

uint32_t TRasConnector::keep(uint32_t result) {
  if (result != RAS_SUCCESS) ResultText = DescribeError(static_cast<int32_t>(result));
  ResultCode = result;
  return result;
}

void TRasConnector::PrepareService() {
  // A connector of its own, dropped with what it learnt: the window's connector stays as it is.
  TRasConnector().ListActiveConnections();
}

bool TRasConnector::IsAvailable() {
  if (library().ensureLoaded()) return true;
  ResultCode = kNotAvailable;
  ResultText = QByteArrayLiteral("RASAPI32.DLL Not Available");
  return false;
}

uint32_t TRasConnector::ListEntries() {
  if (!serviceReady() || !library().functions().RasEnumEntriesA) return ResultCode = kNotAvailable;
  EntryNames.clear();
  EntryTable& table = entryTable();
  table = EntryTable{};

  const uint32_t recordSize = rasRecordSizes(library().level()).entryName;
  std::vector<unsigned char> buffer(kEntryBufferSize, 0);
  writeWord(buffer.data(), recordSize);
  uint32_t bufferSize = kEntryBufferSize;
  uint32_t count = 0;
  const uint32_t result = keep(library().functions().RasEnumEntriesA(
      nullptr, phonebook(), buffer.data(), &bufferSize, &count));
  if (result != RAS_SUCCESS) return result;

  // name TAB flags TAB phonebook: equal names are ordered by flags, then phonebook.
  QList<QByteArray> keys;
  const uint32_t fitting = std::min<uint32_t>(count, kEntryBufferSize / recordSize);
  for (uint32_t i = 0; i < fitting; ++i) {
    const unsigned char* record = buffer.data() + i * recordSize;
    const QByteArray name =
        field(record, offsetof(RASENTRYNAMEA, szEntryName), RAS_MAX_ENTRY_NAME + 1);
    if (name.isEmpty()) continue;
    uint32_t flags = 0;
    QByteArray path;
    if (recordSize >= RAS_SIZE_ENTRYNAME) {
      flags = readWord(record, offsetof(RASENTRYNAMEA, dwFlags));
      path = field(record, offsetof(RASENTRYNAMEA, szPhonebookPath), RAS_MAX_PATH + 1);
    }
    keys << name + '\t' + QByteArray::number(flags) + '\t' + path;
  }
  QCollator collator{QLocale()};
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::stable_sort(keys.begin(), keys.end(), [&](const QByteArray& a, const QByteArray& b) {
    const int order = collator.compare(QString::fromUtf8(a), QString::fromUtf8(b));
    return order != 0 ? order < 0 : a < b;  // bytes decide what the collation calls equal
  });
  for (const QByteArray& key : keys) {
    if (table.count >= kEntrySlots) break;
    const QByteArray name = key.left(key.indexOf('\t'));
    table.names[static_cast<std::size_t>(table.count++)] = name;
    EntryNames << name;
  }
  return result;
}

uint32_t TRasConnector::ListActiveConnections() {
  if (!serviceReady() || !library().functions().RasEnumConnectionsA)
    return ResultCode = kNotAvailable;
  ConnectionsChanged = false;
  const uint32_t recordSize = rasRecordSizes(library().level()).connection;
  std::vector<unsigned char> buffer(kConnectionBufferSize, 0);
  writeWord(buffer.data(), recordSize);
  uint32_t bufferSize = kConnectionBufferSize;
  uint32_t count = 0;
  const uint32_t result =
      keep(library().functions().RasEnumConnectionsA(buffer.data(), &bufferSize, &count));

  const int n = static_cast<int>(std::min<uint32_t>(count, kConnectionSlots));
  std::vector<std::unique_ptr<TConnectionRecord>> fresh;
  for (int i = 0; i < n; ++i) {
    auto record = std::make_unique<TConnectionRecord>();
    record->fill(0);
    std::memcpy(record->data(), buffer.data() + static_cast<std::size_t>(i) * recordSize,
                recordSize);
    fresh.push_back(std::move(record));
  }
  if (n > 0) {
    bool changed = ActiveConnections.Count() != n;
    for (int i = 0; !changed && i < n; ++i)
      changed = ActiveConnections.At(i) != *fresh[static_cast<std::size_t>(i)];
    if (changed) {
      ConnectionsChanged = true;
      ActiveConnections.Clear();
      for (auto& record : fresh) ActiveConnections.Add(std::move(record));
    }
  } else if (ActiveConnections.Count() > 0) {
    ActiveConnections.Clear();
    ConnectionsChanged = true;
  }
  return result;
}

uint32_t TRasConnector::ReadDialParams() {
  if (!serviceReady() || !library().functions().RasGetEntryDialParamsA)
    return ResultCode = kNotAvailable;
  UserName.clear();
  Password.clear();
  CallbackNumber.clear();
  Domain.clear();
  RASDIALPARAMSA params{};
  params.dwSize = rasRecordSizes(library().level()).dialParams;
  putField(params.szEntryName, EntryName, RAS_MAX_ENTRY_NAME);
  int32_t passwordSaved = 0;
  const uint32_t result =
      keep(library().functions().RasGetEntryDialParamsA(phonebook(), &params, &passwordSaved));
  if (result != RAS_SUCCESS) return result;
  const auto* record = reinterpret_cast<const unsigned char*>(&params);
  UserName = field(record, offsetof(RASDIALPARAMSA, szUserName), RAS_MAX_USER_NAME + 1);
  if (passwordSaved != 0)
    Password = field(record, offsetof(RASDIALPARAMSA, szPassword), RAS_MAX_PASSWORD + 1);
  CallbackNumber =
      field(record, offsetof(RASDIALPARAMSA, szCallbackNumber), RAS_MAX_CALLBACK_NUMBER + 1);
  Domain = field(record, offsetof(RASDIALPARAMSA, szDomain), RAS_MAX_DOMAIN + 1);
  return result;
}

uint32_t TRasConnector::ReadEntryProperties() {
  const auto read = library().functions().RasGetEntryPropertiesA;
  if (!serviceReady() || !library().entryFunctionsBound() || !read)
    return ResultCode = kNotAvailable;
  const int level = library().level();
  uint32_t entrySize = 0;
  uint32_t deviceInfoSize = 0;
  uint32_t result =
      read(phonebook(), EntryName.constData(), nullptr, &entrySize, nullptr, &deviceInfoSize);
  if (result == RAS_ERROR_BUFFER_TOO_SMALL) result = RAS_SUCCESS;
  std::vector<unsigned char> entry(kEntryPropertiesBufferSize, 0);
  if (result == RAS_SUCCESS) {
    entrySize = std::min(entrySize, kEntryPropertiesBufferSize);
    if (level == 0 && (deviceInfoSize == 0 || deviceInfoSize > 256)) deviceInfoSize = 256;
    writeWord(entry.data(), rasRecordSizes(level).entry);
    std::vector<unsigned char> deviceInfo(deviceInfoSize, 0);
    result = read(phonebook(), EntryName.constData(), entry.data(), &entrySize,
                  deviceInfo.empty() ? nullptr : deviceInfo.data(), &deviceInfoSize);
  }
  if (keep(result) != RAS_SUCCESS) return result;
  EntryOptions = readWord(entry.data(), offsetof(RASENTRYA, dwfOptions));
  UseCountryAndAreaCodes = (EntryOptions & RAS_OPTION_USE_COUNTRY_AND_AREA) != 0;
  CountryCode = readWord(entry.data(), offsetof(RASENTRYA, dwCountryCode));
  CountryID = readWord(entry.data(), offsetof(RASENTRYA, dwCountryID));
  AreaCode = trimmed(field(entry.data(), offsetof(RASENTRYA, szAreaCode), RAS_MAX_AREA_CODE + 1));
  LocalPhoneNumber = trimmed(
      field(entry.data(), offsetof(RASENTRYA, szLocalPhoneNumber), RAS_MAX_PHONE_NUMBER + 1));
  return result;
}

uint32_t TRasConnector::Dial(RasHandle& handle) {
  handle = 0;
  const auto dial = library().functions().RasDialA;
  if (!serviceReady() || !dial) return ResultCode = kNotAvailable;
  const int level = library().level();
  RASDIALPARAMSA params{};
  params.dwSize = rasRecordSizes(level).dialParams;
  putField(params.szEntryName, EntryName, RAS_MAX_ENTRY_NAME);
  putField(params.szPhoneNumber, PhoneNumber, RAS_MAX_PHONE_NUMBER);
  putField(params.szCallbackNumber, CallbackNumber, RAS_MAX_CALLBACK_NUMBER);
  putField(params.szUserName, UserName, RAS_MAX_USER_NAME);
  putField(params.szPassword, Password, RAS_MAX_PASSWORD);
  putField(params.szDomain, Domain, RAS_MAX_DOMAIN);
  params.dwSubEntry = static_cast<uint32_t>(SubEntry);
  params.dwCallbackId = static_cast<uint32_t>(CallbackId);
  const uint32_t result = level >= 1 ? dial(nullptr, phonebook(), &params, RAS_NOTIFIER_FUNC2,
                                            reinterpret_cast<void*>(&dialNotifier2), &handle)
                                     : dial(nullptr, nullptr, &params, RAS_NOTIFIER_FUNC1,
                                            reinterpret_cast<void*>(&dialNotifier1), &handle);
  return keep(result);
}

uint32_t TRasConnector::HangUp(RasHandle handle, uint32_t timeoutMs) {
  if (handle == 0) return ResultCode = RAS_ERROR_INVALID_HANDLE;
  const auto hangUp = library().functions().RasHangUpA;
  const auto status = library().functions().RasGetConnectStatusA;
  if (!serviceReady() || !hangUp || !status) return ResultCode = kNotAvailable;
  const uint32_t result = hangUp(handle);
  // A connection the service refused to end (another user's) will not go by waiting.
  if (result != RAS_ERROR_ACCESS_DENIED) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      uint32_t state = kStatusQueryFailed;
      RASCONNSTATUSA connection{};
      connection.dwSize = rasRecordSizes(library().level()).connectionStatus;
      if (status(handle, &connection) == RAS_SUCCESS) state = connection.rasconnstate;
      if (state == RAS_STATE_DISCONNECTED || state == kStatusQueryFailed) break;
      if (waited.elapsed() > static_cast<qint64>(timeoutMs)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(kHangUpPollMs));
    }
  }
  return keep(result);
}

uint32_t TRasConnector::EditEntry(uintptr_t ownerWindow) {
  const auto edit = library().functions().RasEditPhonebookEntryA;
  if (!serviceReady() || !edit) return ResultCode = kNotAvailable;
  // The dialog runs its own event loop, in which a monitor tick may set EntryName anew:
  // the service gets a copy that lives until the dialog is closed.
  const QByteArray entry = EntryName;
  return keep(edit(ownerWindow, phonebook(), entry.constData()));
}

uint32_t TRasConnector::RemoveEntry() {
  const auto remove = library().functions().RasDeleteEntryA;
  if (!library().ensureLoaded() || !library().entryFunctionsBound() || !remove) return ResultCode;
  // Always the default phonebook.
  const uint32_t result = keep(remove(nullptr, EntryName.constData()));
  if (result == RAS_SUCCESS) EntryName.clear();
  return result;
}

QByteArray TRasConnector::DescribeError(int32_t code) {
  if (!serviceReady()) return QByteArrayLiteral("RASAPI32.DLL Not Available");
  if (code < 0) return {};
  char text[256] = {};
  const auto describe = library().functions().RasGetErrorStringA;
  if (describe && describe(static_cast<uint32_t>(code), text, sizeof text) == RAS_SUCCESS &&
      text[0] != '\0')
    return QByteArray(text, static_cast<int>(::strnlen(text, sizeof text)));
  // The system's own message for the code.
  char buffer[256] = {};
  return QByteArray(::strerror_r(code, buffer, sizeof buffer));
}

uint32_t TRasConnector::DialState() {
  return g_dialState;
}
uint32_t TRasConnector::DialError() {
  return g_dialError;
}

const char* TRasConnector::DialStateText() {
  switch (g_dialState) {
    case RAS_STATE_OPEN_PORT:
      return "Anschluss wird ge\xF6"
             "ffnet";
    case RAS_STATE_CONNECT_DEVICE:
      return "Verbindung wird hergestellt";
    case RAS_STATE_CONNECTED:
      return "Verbunden";
    case RAS_STATE_DISCONNECTED:
      return "Getrennt";
    default:
      return "";
  }
}

int TRasConnector::EntryTableCount() {
  return entryTable().count;
}

QByteArray TRasConnector::EntryTableAt(int i) {
  return i >= 0 && i < entryTable().count ? entryTable().names[static_cast<std::size_t>(i)]
                                          : QByteArray();
}

}  // namespace orv
