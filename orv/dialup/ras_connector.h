#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

#include "dialup/connection_list.h"
#include "rasapi32.h"

namespace orv {

class RasLibrary;

// The program's one road to the dial-up networking service (`Conns` on the main window).
// It works on one current phonebook entry at a time: the caller sets `EntryName`, calls an
// operation and reads the results from the properties. Every operation returns the
// service's result code and keeps it in `ResultCode`; a failure's text goes to `ResultText`.
// Nothing it learns is shown to the user by itself. Texts are single bytes, as the service
// gives them. All operations belong to the window's thread.
class TRasConnector {
 public:
  static constexpr uint32_t kNotAvailable = RAS_ERROR_CANNOT_LOAD_LIBRARY;
  static constexpr int kEntrySlots = 100;
  static constexpr int kConnectionSlots = 8;
  // Buffers handed to the service: 100 entry records, 8 connection records, one entry.
  static constexpr uint32_t kEntryBufferSize = kEntrySlots * RAS_SIZE_ENTRYNAME;
  static constexpr uint32_t kConnectionBufferSize = kConnectionSlots * RAS_SIZE_CONN;
  static constexpr uint32_t kEntryPropertiesBufferSize = 4096;

  TRasConnector();

  // Loads the service and lets it take its first look at the connections, which reads every
  // process once, and drops the answer, so that the window's first lookups find that done.
  // The one call that may run on another thread, while the window's thread leaves the service
  // alone; it changes no connector's properties.
  static void PrepareService();
  // True when the service can be used; loads it on the first call of the process.
  bool IsAvailable();
  // Fills `EntryNames`, sorted by the user's collation without regard to case.
  uint32_t ListEntries();
  // Renews `ActiveConnections`; `ConnectionsChanged` tells whether anything differs.
  uint32_t ListActiveConnections();
  // Fills UserName, Password (when saved), CallbackNumber and Domain for `EntryName`.
  uint32_t ReadDialParams();
  // Fills CountryID, CountryCode, AreaCode, LocalPhoneNumber and EntryOptions.
  uint32_t ReadEntryProperties();
  // Starts connecting `EntryName` and returns at once with the connection's handle.
  uint32_t Dial(RasHandle& handle);
  // Ends a connection and waits, polling every 50 ms, until it is gone or `timeoutMs` passed.
  uint32_t HangUp(RasHandle handle, uint32_t timeoutMs);
  // The service's modal dialog for `EntryName` over the window `ownerWindow` (its id).
  uint32_t EditEntry(uintptr_t ownerWindow);
  // Deletes `EntryName` from the default phonebook; empties it on success.
  uint32_t RemoveEntry();
  // A text for a result code.
  QByteArray DescribeError(int32_t code);

  QByteArray EntryName;
  QByteArray PhoneNumber;  // number override for Dial; empty dials the entry's own number
  QByteArray UserName;
  QByteArray Password;
  QByteArray CallbackNumber;
  QByteArray Domain;
  uint32_t CountryID = 0;
  uint32_t CountryCode = 0;
  QByteArray AreaCode;
  QByteArray LocalPhoneNumber;
  uint32_t EntryOptions = 0;
  bool UseCountryAndAreaCodes = false;
  int32_t SubEntry = 1;
  int32_t CallbackId = 0;
  QByteArray PhoneBookPath;  // empty: the service's default phonebook

  QList<QByteArray> EntryNames;
  TConnectionList ActiveConnections;
  bool ConnectionsChanged = false;

  uint32_t ResultCode = 0;
  QByteArray ResultText;  // single-byte text of the last failure

  // What the service last told the dial notifier. Nothing in the program reads it; it is
  // recorded for completeness and shared by all connectors of the process.
  static uint32_t DialState();
  static uint32_t DialError();
  static const char* DialStateText();

  // The process-wide entry table the last ListEntries filled (tests).
  static int EntryTableCount();
  static QByteArray EntryTableAt(int i);

 private:
  RasLibrary& library() const;
  // Loads the service; false, with ResultCode 1157, when it is not available.
  bool serviceReady();
  // Stores a service result; a failure also gets its text.
  uint32_t keep(uint32_t result);
  const char* phonebook() const;
};

}  // namespace orv
