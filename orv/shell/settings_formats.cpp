#include "shell/settings_formats.h"

#include <QtEndian>
#include <cstddef>
#include <cstring>

#include "shell/scramble_text.h"

namespace orv {
namespace {

// One text field of a connection record: a length byte, then 255 bytes.
constexpr qsizetype kTextFieldSize = 256;
constexpr qsizetype kEntryNameOffset = 1;
constexpr qsizetype kPhoneTextOffset = kEntryNameOffset + kTextFieldSize;
static_assert(kPhoneTextOffset + kTextFieldSize == kConnectionRecordSize);

uint8_t byteAt(const QByteArray& bytes, qsizetype offset) {
  return static_cast<uint8_t>(bytes[offset]);
}

QByteArray textField(const QByteArray& record, qsizetype offset) {
  const int length = byteAt(record, offset);
  return ScrambleText(record.mid(offset + 1, length));
}

void putTextField(QByteArray& bytes, qsizetype offset, const QByteArray& text) {
  const QByteArray stored = ScrambleText(text.left(TKnownConnection::kMaxTextLength));
  bytes[offset] = static_cast<char>(stored.size());
  std::memcpy(bytes.data() + offset + 1, stored.constData(), static_cast<size_t>(stored.size()));
}

}  // namespace

// TSettings is laid out as the file is; only its numbers need the file's byte order.
static_assert(offsetof(TSettings, IntervallRAS) == 8 && offsetof(TSettings, CheckMemory) == 13 &&
              offsetof(TSettings, IntervallMEM) == 16 && offsetof(TSettings, ReportOnly) == 20);

TSettings settingsFromRecord(const QByteArray& bytes) {
  TSettings settings;
  std::memcpy(&settings, bytes.constData(), sizeof settings);
  settings.IntervallRAS = qFromLittleEndian<int32_t>(settings.IntervallRAS);
  settings.IntervallMEM = qFromLittleEndian<int32_t>(settings.IntervallMEM);
  return settings;
}

QByteArray settingsToRecord(const TSettings& settings) {
  TSettings stored = settings;
  stored.IntervallRAS = qToLittleEndian<int32_t>(settings.IntervallRAS);
  stored.IntervallMEM = qToLittleEndian<int32_t>(settings.IntervallMEM);
  return QByteArray(reinterpret_cast<const char*>(&stored), sizeof stored);
}

KnownConnectionList connectionsFromFile(const QByteArray& bytes) {
  KnownConnectionList connections;
  const qsizetype count = bytes.size() / kConnectionRecordSize;
  connections.reserve(static_cast<size_t>(count));
  for (qsizetype k = 0; k < count; ++k) {
    const QByteArray record = bytes.mid(k * kConnectionRecordSize, kConnectionRecordSize);
    TKnownConnection connection;
    connection.Allowed = byteAt(record, 0) != 0;
    connection.EntryName = textField(record, kEntryNameOffset);
    connection.PhoneText = textField(record, kPhoneTextOffset);
    connections.push_back(std::move(connection));
  }
  return connections;
}

QByteArray connectionsToFile(const KnownConnectionList& connections) {
  QByteArray bytes(static_cast<qsizetype>(connections.size()) * kConnectionRecordSize, '\0');
  qsizetype record = 0;
  for (const TKnownConnection& connection : connections) {
    bytes[record] = connection.Allowed ? 1 : 0;
    putTextField(bytes, record + kEntryNameOffset, connection.EntryName);
    putTextField(bytes, record + kPhoneTextOffset, connection.PhoneText);
    record += kConnectionRecordSize;
  }
  return bytes;
}

}  // namespace orv
