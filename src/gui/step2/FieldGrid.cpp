#include "gui/step2/FieldGrid.h"

#include <QGridLayout>
#include <QWidget>
#include <algorithm>

namespace fotoloom {
namespace {

const QString kFieldGrid = QStringLiteral("fieldGrid");

}  // namespace

QGridLayout* NewFieldGrid(QWidget* parent) {
  auto* grid = new QGridLayout(parent);
  grid->setObjectName(kFieldGrid);
  grid->setContentsMargins(0, 0, 0, 0);
  return grid;
}

void AlignFieldGrids(QWidget* page) {
  const QList<QGridLayout*> grids = page->findChildren<QGridLayout*>(kFieldGrid);
  int labels = 0;
  for (const QGridLayout* grid : grids) {
    for (int row = 0; row < grid->rowCount(); ++row) {
      // A label, not a line that spans the columns.
      const QLayoutItem* label = grid->itemAtPosition(row, 0);
      const QLayoutItem* field = grid->itemAtPosition(row, 1);
      if (label && field && label != field)
        labels = std::max(labels, label->sizeHint().width());
    }
  }
  for (QGridLayout* grid : grids) grid->setColumnMinimumWidth(0, labels);
}

}  // namespace fotoloom
