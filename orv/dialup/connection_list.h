#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "rasapi32.h"

namespace orv {

// One active connection as the service reported it: the newest, 704-byte form of its
// record. Bytes an older generation of the record does not carry stay 0.
using TConnectionRecord = std::array<unsigned char, RAS_SIZE_CONN>;

// The handle of a connection record, and its entry name (empty when its first byte is 0).
RasHandle recordHandle(const TConnectionRecord& record);
QByteArray recordEntryName(const TConnectionRecord& record);

// The connector's snapshot of the active connections: owned records, in the service's order.
class TConnectionList {
 public:
  int Count() const { return static_cast<int>(m_records.size()); }
  const TConnectionRecord& At(int i) const { return *m_records[static_cast<std::size_t>(i)]; }
  RasHandle HandleAt(int i) const { return recordHandle(At(i)); }
  QByteArray EntryNameAt(int i) const { return recordEntryName(At(i)); }

  void Add(std::unique_ptr<TConnectionRecord> record) { m_records.push_back(std::move(record)); }
  void Clear() { m_records.clear(); }

 private:
  std::vector<std::unique_ptr<TConnectionRecord>> m_records;
};

}  // namespace orv
