#include "dialup/connection_entries.h"

#include "detect/display_path.h"
#include "detect/native_path.h"
#include "dialup/ras_connector.h"

namespace orv {

QString displayText(const QByteArray& bytes) {
  return displayPath(pathFromNative(bytes));
}

EntryDetails readEntryDetails(TRasConnector& conns, const QByteArray& name) {
  conns.EntryName = name;
  EntryDetails details;
  // A failed read leaves the connector's properties as the previous entry left them.
  if (conns.ReadDialParams() == RAS_SUCCESS) {
    details.userName = conns.UserName;
    details.password = conns.Password;
  }
  if (conns.ReadEntryProperties() == RAS_SUCCESS) {
    details.phoneText = '+' + QByteArray::number(conns.CountryID) + " (" + conns.AreaCode + ") " +
                        conns.LocalPhoneNumber;
  }
  return details;
}

std::vector<ConnectionRow> buildConnectionRows(TRasConnector& conns,
                                               const KnownConnectionList& marks) {
  std::vector<ConnectionRow> rows;
  rows.reserve(static_cast<std::size_t>(conns.EntryNames.size()));
  for (const QByteArray& name : conns.EntryNames) {
    ConnectionRow row;
    row.entryName = name;
    row.details = readEntryDetails(conns, name);
    for (int i = 0; i < conns.ActiveConnections.Count(); ++i)
      if (conns.ActiveConnections.EntryNameAt(i) == name) row.connected = true;
    // Compared as stored: a mark keeps only the first 255 bytes of each text, and a longer
    // name (the service allows 256) must still find its own mark.
    const TKnownConnection key = markOf(false, name, row.details.phoneText);
    for (const TKnownConnection& mark : marks)
      if (mark.PhoneText == key.PhoneText && mark.EntryName == key.EntryName)
        row.allowed = mark.Allowed;
    rows.push_back(std::move(row));
  }
  return rows;
}

TKnownConnection markOf(bool allowed, const QByteArray& entryName, const QByteArray& phoneText) {
  return {allowed, entryName.left(TKnownConnection::kMaxTextLength),
          phoneText.left(TKnownConnection::kMaxTextLength)};
}

void dialEntry(TRasConnector& conns, const QByteArray& name) {
  conns.EntryName = name;
  conns.ReadDialParams();
  RasHandle handle = 0;
  conns.Dial(handle);
}

void hangUpEntry(TRasConnector& conns, const QByteArray& name) {
  conns.ListActiveConnections();
  for (int i = 0; i < conns.ActiveConnections.Count(); ++i)
    if (conns.ActiveConnections.EntryNameAt(i) == name)
      conns.HangUp(conns.ActiveConnections.HandleAt(i), kHangUpWaitMs);
}

}  // namespace orv
