#include "dialup/connection_list_view.h"

#include <QSignalBlocker>
#include <QTreeWidget>

namespace orv::connection_list_view {
namespace {

enum Column { kName, kPhone, kUser, kPassword, kStatus };
constexpr int kBytesRole = Qt::UserRole;  // the bytes behind the name and the phone text

QByteArray bytesOf(const QTreeWidgetItem* row, Column column) {
  return row->data(column, kBytesRole).toByteArray();
}

}  // namespace

void clear(QTreeWidget* list) {
  const QSignalBlocker quiet(list);
  list->clear();
}

void showRows(QTreeWidget* list, const std::vector<ConnectionRow>& rows) {
  // Building rows is no change of a mark by the user.
  const QSignalBlocker quiet(list);
  list->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const ConnectionRow& row : rows) {
    auto* item = new QTreeWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setText(kName, displayText(row.entryName));
    item->setData(kName, kBytesRole, row.entryName);
    item->setText(kPhone, displayText(row.details.phoneText));
    item->setData(kPhone, kBytesRole, row.details.phoneText);
    item->setText(kUser, displayText(row.details.userName));
    item->setText(kPassword, displayText(row.details.password));
    item->setText(kStatus,
                  row.connected ? QStringLiteral("Verbunden") : QStringLiteral("Getrennt"));
    item->setCheckState(kName, row.allowed ? Qt::Checked : Qt::Unchecked);
    items << item;
  }
  list->addTopLevelItems(items);
}

KnownConnectionList marks(const QTreeWidget* list) {
  KnownConnectionList result;
  result.reserve(static_cast<std::size_t>(list->topLevelItemCount()));
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = list->topLevelItem(i);
    result.push_back(
        markOf(row->checkState(kName) == Qt::Checked, bytesOf(row, kName), bytesOf(row, kPhone)));
  }
  return result;
}

bool isAllowed(const QTreeWidget* list, const QByteArray& entryName) {
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = list->topLevelItem(i);
    if (bytesOf(row, kName) == entryName) return row->checkState(kName) == Qt::Checked;
  }
  return false;
}

std::optional<QByteArray> selectedEntry(const QTreeWidget* list) {
  const QList<QTreeWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return bytesOf(selected.constFirst(), kName);
}

}  // namespace orv::connection_list_view
