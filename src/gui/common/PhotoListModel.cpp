#include "gui/common/PhotoListModel.h"

#include "gui/common/ListColumns.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>
#include <functional>

namespace fotoloom {
namespace {

enum Column { kCaption, kSize, kFolder, kColumns };

}  // namespace

TPhotoListModel::TPhotoListModel(CheckBoxes check_boxes, QObject* parent)
    : QAbstractTableModel(parent), m_check_boxes(check_boxes) {}

void TPhotoListModel::Append(const std::vector<TListEntry>& entries) {
  if (entries.empty()) return;
  beginInsertRows({}, Count(), Count() + static_cast<int>(entries.size()) - 1);
  m_entries.insert(m_entries.end(), entries.begin(), entries.end());
  endInsertRows();
}

void TPhotoListModel::SetEntries(std::vector<TListEntry> entries, bool originals) {
  beginResetModel();
  m_entries = std::move(entries);
  m_originals = originals;
  endResetModel();
}

void TPhotoListModel::Clear() {
  SetEntries({});
}

void TPhotoListModel::RemoveRows(QList<int> rows) {
  // From the last row up, a run of neighbouring rows at a time.
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (qsizetype i = 0; i < rows.size();) {
    const int last = rows[i];
    int first = last;
    while (++i < rows.size() && rows[i] == first - 1) --first;
    if (first < 0 || last >= Count()) continue;
    beginRemoveRows({}, first, last);
    m_entries.erase(m_entries.begin() + first, m_entries.begin() + last + 1);
    endRemoveRows();
  }
}

void TPhotoListModel::SetChecked(int row, bool checked) {
  TListEntry& entry = m_entries[static_cast<size_t>(row)];
  if (entry.checked == checked) return;
  entry.checked = checked;
  emit dataChanged(index(row, kCaption), index(row, kCaption), {Qt::CheckStateRole});
}

void TPhotoListModel::SetFileName(int row, const std::string& name) {
  TListEntry& entry = m_entries[static_cast<size_t>(row)];
  entry.caption = name;
  entry.stored_name = name;
  emit dataChanged(index(row, kCaption), index(row, kCaption), {Qt::DisplayRole});
}

void TPhotoListModel::RefreshSizes(const std::vector<std::string>& files) {
  const std::string decimal_separator = QLocale().decimalPoint().toStdString();
  for (int row = 0; row < Count(); ++row) {
    TListEntry& entry = m_entries[static_cast<size_t>(row)];
    const std::string file = entry.File();
    if (std::find(files.begin(), files.end(), file) == files.end()) continue;
    const QFileInfo info(QString::fromStdString(file));
    if (!info.exists()) continue;
    entry.size_text = SizeText(static_cast<uint64_t>(info.size()), decimal_separator);
    emit dataChanged(index(row, kSize), index(row, kSize), {Qt::DisplayRole});
  }
}

void TPhotoListModel::SetAllChecked(bool checked) {
  for (int row = 0; row < Count(); ++row) SetChecked(row, checked);
}

bool TPhotoListModel::HasCheckedEntries() const {
  return std::any_of(m_entries.begin(), m_entries.end(),
                     [](const TListEntry& entry) { return entry.checked; });
}

int TPhotoListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int TPhotoListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TPhotoListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const TListEntry& entry = Entry(index.row());
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case kCaption:
          return QString::fromStdString(entry.caption);
        case kSize:
          return QString::fromStdString(entry.size_text);
        case kFolder:
          return QString::fromStdString(entry.folder);
        default:
          return {};
      }
    case Qt::TextAlignmentRole:
      if (index.column() == kSize) return int(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    case Qt::CheckStateRole:
      if (m_check_boxes == CheckBoxes::Shown && index.column() == kCaption)
        return entry.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    default:
      return {};
  }
}

bool TPhotoListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || m_check_boxes != CheckBoxes::Shown || !index.isValid() ||
      index.column() != kCaption)
    return false;
  SetChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
  return true;
}

Qt::ItemFlags TPhotoListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (m_check_boxes == CheckBoxes::Shown && index.column() == kCaption)
    flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant TPhotoListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole && section == kSize)
    return int(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case kCaption:
      return QStringLiteral("Bestandsnaam");
    case kSize:
      return QStringLiteral("Grootte");
    case kFolder:
      return QStringLiteral("Pad");
    default:
      return {};
  }
}

void SetUpPhotoList(QTreeView* view, TPhotoListModel* model) {
  view->setModel(model);
  view->setRootIsDecorated(false);
  view->setItemsExpandable(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setIconSize(QSize(16, 16));
  FitColumnsToContents(view->header());
}

QList<int> SelectedRows(const QTreeView* view) {
  QList<int> rows;
  for (const QModelIndex& index : view->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

int FirstSelectedRow(const QTreeView* view) {
  const QList<int> rows = SelectedRows(view);
  return rows.isEmpty() ? -1 : rows.first();
}

void SelectOnly(QTreeView* view, int row) {
  view->selectionModel()->setCurrentIndex(
      view->model()->index(row, 0),
      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace fotoloom
