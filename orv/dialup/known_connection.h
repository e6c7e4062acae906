#pragma once

#include <QByteArray>
#include <vector>

namespace orv {

// One allowed mark of the connection list: the entry it belongs to and the phone text it had
// when the mark was stored, so that an entry whose number changed loses its mark. The texts
// are the service's single bytes, unscrambled; "connections.conf" keeps each in a 256-byte
// field (a length byte and at most 255 bytes), so a longer text is cut to 255 when a mark is
// taken from the list.
struct TKnownConnection {
  static constexpr int kMaxTextLength = 255;

  bool Allowed = false;
  QByteArray EntryName;
  QByteArray PhoneText;
};

using KnownConnectionList = std::vector<TKnownConnection>;

}  // namespace orv
