#include "gui/common/PhotoList.h"

#include <QHeaderView>
#include <QTreeWidget>

#include "gui/common/ListColumns.h"

namespace fotoloom {
namespace {

constexpr int kStoredNameRole = Qt::UserRole;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

void SetUpPhotoList(QTreeWidget* list, StoredNameColumn stored_name) {
  QStringList columns = {QStringLiteral("Bestandsnaam"), QStringLiteral("Grootte"),
                         QStringLiteral("Pad")};
  if (stored_name == StoredNameColumn::Hidden) columns << QString();
  list->setColumnCount(static_cast<int>(columns.size()));
  list->setHeaderLabels(columns);
  list->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  if (stored_name == StoredNameColumn::Hidden) list->setColumnHidden(3, true);
  FitColumnsToContents(list->header());

  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setIconSize(QSize(16, 16));
}

QTreeWidgetItem* NewPhotoItem(const QTreeWidget* list, const TListEntry& entry,
                              CheckBoxes check_boxes) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, Text(entry.caption));
  item->setText(1, Text(entry.size_text));
  item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  item->setText(2, Text(entry.folder));
  item->setData(0, kStoredNameRole, Text(entry.stored_name));
  if (list->columnCount() > 3) item->setText(3, Text(entry.stored_name));
  if (check_boxes == CheckBoxes::Shown) {
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, entry.checked ? Qt::Checked : Qt::Unchecked);
  }
  return item;
}

QTreeWidgetItem* AppendPhotoEntry(QTreeWidget* list, const TListEntry& entry,
                                  CheckBoxes check_boxes) {
  QTreeWidgetItem* item = NewPhotoItem(list, entry, check_boxes);
  list->addTopLevelItem(item);
  return item;
}

TListEntry PhotoEntryOf(const QTreeWidgetItem* item) {
  TListEntry entry;
  entry.caption = item->text(0).toStdString();
  entry.size_text = item->text(1).toStdString();
  entry.folder = item->text(2).toStdString();
  entry.stored_name = item->data(0, kStoredNameRole).toString().toStdString();
  entry.checked = item->checkState(0) == Qt::Checked;
  return entry;
}

}  // namespace fotoloom
