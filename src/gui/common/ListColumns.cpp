#include "gui/common/ListColumns.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTimer>

namespace fotoloom {

void FitColumnsToContents(QHeaderView* header) {
  // The user may still drag a column wider or narrower; the next change of the list fits
  // them again. Fitted once per burst of changes, not per added row: a list that grows by
  // thousands of rows would otherwise measure its texts thousands of times.
  header->setSectionResizeMode(QHeaderView::Interactive);
  // The stretch goes to the last visible column, past a hidden one.
  header->setStretchLastSection(true);
  auto* fit = new QTimer(header);
  fit->setSingleShot(true);
  fit->setInterval(50);
  const auto fit_now = [header] {
    header->resizeSections(QHeaderView::ResizeToContents);
    // That sized the last column to its texts too; it stretches again at once, so that no
    // one sees the list with free room at its right.
    header->setStretchLastSection(false);
    header->setStretchLastSection(true);
  };
  QObject::connect(fit, &QTimer::timeout, header, fit_now);
  // The first change of a burst is fitted at once, so that a short list looks right from
  // the start; the rest once the burst is over.
  const auto refit = [fit, fit_now] {
    if (!fit->isActive()) fit_now();
    fit->start();
  };
  QAbstractItemModel* model = header->model();
  QObject::connect(model, &QAbstractItemModel::rowsInserted, fit, refit);
  QObject::connect(model, &QAbstractItemModel::rowsRemoved, fit, refit);
  QObject::connect(model, &QAbstractItemModel::modelReset, fit, refit);
  QObject::connect(model, &QAbstractItemModel::dataChanged, fit, refit);
  QObject::connect(model, &QAbstractItemModel::layoutChanged, fit, refit);
  fit->start();
}

}  // namespace fotoloom
