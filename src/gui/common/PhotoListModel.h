#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <vector>

#include "core/lists/ListEntry.h"

class QTreeView;

namespace fotoloom {

// The entries of one of the two photo lists: the selection list of step 1 and the result
// list of step 3, whose entries carry a check mark. Columns "Bestandsnaam", "Grootte"
// (right-aligned) and "Pad"; the stored name has none. Everything that works on a list
// reads and changes its entries here, never the texts a view shows.
class TPhotoListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum class CheckBoxes { None, Shown };
  explicit TPhotoListModel(CheckBoxes check_boxes, QObject* parent = nullptr);

  const std::vector<TListEntry>& Entries() const { return m_entries; }
  const TListEntry& Entry(int row) const { return m_entries[static_cast<size_t>(row)]; }
  int Count() const { return static_cast<int>(m_entries.size()); }

  void Append(const std::vector<TListEntry>& entries);
  // `originals`: the entries are the user's own photos, not copies a run made (step 3 after
  // "Niet kopieeren maar ga verder"); commands that change a photo then keep it lossless.
  void SetEntries(std::vector<TListEntry> entries, bool originals = false);
  bool HoldsOriginals() const { return m_originals; }
  void Clear();
  // Removes the rows given, in any order.
  void RemoveRows(QList<int> rows);
  void SetChecked(int row, bool checked);
  // The entry's file now has this name: caption and stored name both take it.
  void SetFileName(int row, const std::string& name);
  void SetAllChecked(bool checked);
  // The files were rewritten: every entry of one of them shows its size on disk again.
  void RefreshSizes(const std::vector<std::string>& files);
  bool HasCheckedEntries() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  CheckBoxes m_check_boxes;
  std::vector<TListEntry> m_entries;
  bool m_originals = false;
};

// Puts the model under the view and sets it up as a photo list: columns of 180, 70 and 200
// pixels, whole rows selected, several at once, no in-place editing.
void SetUpPhotoList(QTreeView* view, TPhotoListModel* model);

// The rows selected in the view, in list order, and the first of them (-1 when none).
QList<int> SelectedRows(const QTreeView* view);
int FirstSelectedRow(const QTreeView* view);
// Makes the row current and the only one selected.
void SelectOnly(QTreeView* view, int row);

}  // namespace fotoloom
