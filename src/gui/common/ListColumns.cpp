#include "gui/common/ListColumns.h"

#include <QHeaderView>

namespace fotoloom {

void FitColumnsToContents(QHeaderView* header) {
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  // The stretch goes to the last visible column, past a hidden one.
  header->setStretchLastSection(true);
}

}  // namespace fotoloom
