#include "shell/settings_formats.h"

#include <cstring>

#include "shell/scramble_text.h"

namespace orv {
namespace {

// One text field of a connection record: a length byte, then 255 bytes.
constexpr qsizetype kTextFieldSize = 256;
constexpr qsizetype kEntryNameOffset = 1;
constexpr qsizetype kPhoneTextOffset = kEntryNameOffset + kTextFieldSize;
static_assert(kPhoneTextOffset + kTextFieldSize == kConnectionRecordSize);

int32_t int32At(const QByteArray& bytes, qsizetype offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return static_cast<int32_t>(value);
}

void putInt32(QByteArray& bytes, qsizetype offset, int32_t number) {
  const auto value = static_cast<uint32_t>(number);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

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

TSettings settingsFromRecord(const QByteArray& bytes) {
  TSettings s;
  s.AutoStart = byteAt(bytes, 0);
  s.Minimiert = byteAt(bytes, 1);
  s.Sperre = byteAt(bytes, 2);
  s.Warnsignal = byteAt(bytes, 3);
  s.ScanRAS = byteAt(bytes, 4);
  for (int i = 0; i < 3; ++i) s.reserved5[i] = byteAt(bytes, 5 + i);
  s.IntervallRAS = int32At(bytes, 8);
  s.reserved12 = byteAt(bytes, 12);
  s.CheckMemory = byteAt(bytes, 13);
  s.UseHeur = byteAt(bytes, 14);
  s.reserved15 = byteAt(bytes, 15);
  s.IntervallMEM = int32At(bytes, 16);
  s.ReportOnly = byteAt(bytes, 20);
  for (int i = 0; i < 3; ++i) s.reserved21[i] = byteAt(bytes, 21 + i);
  return s;
}

QByteArray settingsToRecord(const TSettings& s) {
  QByteArray bytes(kSettingsRecordSize, '\0');
  bytes[0] = static_cast<char>(s.AutoStart);
  bytes[1] = static_cast<char>(s.Minimiert);
  bytes[2] = static_cast<char>(s.Sperre);
  bytes[3] = static_cast<char>(s.Warnsignal);
  bytes[4] = static_cast<char>(s.ScanRAS);
  for (int i = 0; i < 3; ++i) bytes[5 + i] = static_cast<char>(s.reserved5[i]);
  putInt32(bytes, 8, s.IntervallRAS);
  bytes[12] = static_cast<char>(s.reserved12);
  bytes[13] = static_cast<char>(s.CheckMemory);
  bytes[14] = static_cast<char>(s.UseHeur);
  bytes[15] = static_cast<char>(s.reserved15);
  putInt32(bytes, 16, s.IntervallMEM);
  bytes[20] = static_cast<char>(s.ReportOnly);
  for (int i = 0; i < 3; ++i) bytes[21 + i] = static_cast<char>(s.reserved21[i]);
  return bytes;
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
