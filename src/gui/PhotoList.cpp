#include "gui/PhotoList.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace fotoloom {

void SetUpPhotoList(QTreeWidget* list, StoredNameColumn stored_name) {
  QStringList columns = {QStringLiteral("Bestandsnaam"), QStringLiteral("Grootte"),
                         QStringLiteral("Pad")};
  if (stored_name == StoredNameColumn::Hidden) columns << QString();
  list->setColumnCount(static_cast<int>(columns.size()));
  list->setHeaderLabels(columns);
  list->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  list->header()->setStretchLastSection(false);
  list->setColumnWidth(0, 180);
  list->setColumnWidth(1, 70);
  list->setColumnWidth(2, 200);
  if (stored_name == StoredNameColumn::Hidden) list->setColumnHidden(3, true);

  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setIconSize(QSize(16, 16));
}

}  // namespace fotoloom
