#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

#include "dialup/connection_entries.h"
#include "dialup/known_connection.h"

class QTreeWidget;

namespace orv {

// The list `Liste` on the page "DFÜ Netzwerk": one row per entry with a check box, the
// columns "Verbindungsname", "Telefonnummer", "Benutzername", "Kennwort", "Status". The
// texts are shown by the display rule for names; each row keeps the entry name's and the
// phone text's bytes, and every comparison uses those, never the shown text.
namespace connection_list_view {

// Replaces all rows, without any signal of the list on the way.
void showRows(QTreeWidget* list, const std::vector<ConnectionRow>& rows);
// Removes all rows, silently.
void clear(QTreeWidget* list);

// The marks of all rows as they stand, first to last.
KnownConnectionList marks(const QTreeWidget* list);

// Whether a connection of `entryName` is allowed: the first row of that name decides by its
// check box; without such a row it is not.
bool isAllowed(const QTreeWidget* list, const QByteArray& entryName);

// The entry name of the selected row, if a row is selected.
std::optional<QByteArray> selectedEntry(const QTreeWidget* list);

}  // namespace connection_list_view
}  // namespace orv
