#pragma once

#include <QAbstractItemModel>
#include <QStringList>
#include <QTest>
#include <QTreeView>

namespace fotoloom::test {

// Reading a photo list (`ListView1`, `ListView3`) through its view and model, and picking
// rows the way a user does: a click on the row.

inline int RowCount(const QTreeView* view) {
  return view->model()->rowCount();
}

// The text of a column: 0 caption, 1 size, 2 folder.
inline QString Text(const QTreeView* view, int row, int column) {
  return view->model()->index(row, column).data().toString();
}

inline QStringList Captions(const QTreeView* view) {
  QStringList captions;
  for (int row = 0; row < RowCount(view); ++row) captions << Text(view, row, 0);
  return captions;
}

inline Qt::CheckState CheckState(const QTreeView* view, int row) {
  return view->model()->index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

inline QList<int> SelectedRowList(const QTreeView* view) {
  QList<int> rows;
  for (const QModelIndex& index : view->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

inline int CurrentRow(const QTreeView* view) {
  return view->currentIndex().isValid() ? view->currentIndex().row() : -1;
}

// A mouse click in the middle of the row's caption; with Ctrl it adds the row.
inline void ClickRow(QTreeView* view, int row, Qt::KeyboardModifiers modifiers = {}) {
  const QModelIndex index = view->model()->index(row, 0);
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(index).center());
}

// A click on the check box in front of the entry: the first thing in the caption's cell, a
// square of the row's height.
inline void ClickCheckBox(QTreeView* view, int row) {
  const QModelIndex index = view->model()->index(row, 0);
  view->scrollTo(index);
  const QRect entry = view->visualRect(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    QPoint(entry.left() + entry.height() / 2 + 2, entry.center().y()));
}

}  // namespace fotoloom::test
