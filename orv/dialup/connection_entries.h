#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "dialup/known_connection.h"
#include "rasapi32.h"

namespace orv {

class TRasConnector;

// What the connection list and the dial-up monitor show of one phonebook entry. Texts are
// the service's single bytes; what could not be read stays empty, so that no entry ever
// shows the number or user of the entry read before it.
struct EntryDetails {
  QByteArray phoneText;  // "+" country " (" area ") " local, as the list's "Telefonnummer"
  QByteArray userName;
  QByteArray password;  // empty when not saved
};

// Reads entry `name` through the connector (it becomes the connector's EntryName).
EntryDetails readEntryDetails(TRasConnector& conns, const QByteArray& name);

// One row of the connection list.
struct ConnectionRow {
  QByteArray entryName;
  EntryDetails details;
  bool connected = false;  // an active connection carries exactly this name
  bool allowed = false;
};

// The rows for the connector's EntryNames, in their order, from its ActiveConnections and
// the stored marks: a row is allowed when the last record with its name and phone text
// says so (byte equality, case counts).
std::vector<ConnectionRow> buildConnectionRows(TRasConnector& conns,
                                               const KnownConnectionList& marks);

// A stored mark for a row: texts longer than a record holds are cut.
TKnownConnection markOf(bool allowed, const QByteArray& entryName, const QByteArray& phoneText);

// Dials `name` with its own stored user name and password, never with those of an entry
// read before. The handle is not kept: the connection shows among the active ones.
void dialEntry(TRasConnector& conns, const QByteArray& name);

// Hangs up every active connection of entry `name`, each with the program's wait.
void hangUpEntry(TRasConnector& conns, const QByteArray& name);

// A text of the service (entry name, number, user) as the user reads it: the bytes decoded
// like a file name and shown by the one display rule for names, so that no byte of a peer
// file can start a new line in the list or the report.
QString displayText(const QByteArray& bytes);

// How long the program waits for a connection to go after hanging it up.
constexpr uint32_t kHangUpWaitMs = 3000;

}  // namespace orv
