#pragma once

#include <QByteArray>

#include "dialup/known_connection.h"
#include "shell/settings_record.h"

namespace orv {

// "orv.conf": exactly one 24-byte TSettings record, numbers little-endian.
constexpr qsizetype kSettingsRecordSize = 24;
// "connections.conf": 513-byte TKnownConnection records one after the other, no header.
constexpr qsizetype kConnectionRecordSize = 513;

// The record from the first 24 bytes of `bytes` (which must hold at least that many); the
// reserved bytes come along, so that they can be written back as they were.
TSettings settingsFromRecord(const QByteArray& bytes);
QByteArray settingsToRecord(const TSettings& settings);

// Every whole record of the file, texts unscrambled; a trailing partial record is dropped.
// A mark byte other than 0 counts as allowed.
KnownConnectionList connectionsFromFile(const QByteArray& bytes);
// The records of `connections`, texts scrambled and cut to 255 bytes, the rest of each field 0.
QByteArray connectionsToFile(const KnownConnectionList& connections);

}  // namespace orv
