#include "gui/browse/FolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

#include "gui/common/WheelToArrowKeys.h"

namespace fotoloom {

// Leaves one place as the only item among its folder's items and shows it by its caption.
class TPlaceFilter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  void SetPlace(const TPlace& place, const QModelIndex& place_in_folders) {
    m_place = place;
    m_place_parent = place_in_folders.parent();
    invalidateFilter();
  }
  const TPlace& Place() const { return m_place; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::DisplayRole && index.parent() == mapFromSource(m_place_parent) &&
        index.column() == 0)
      return m_place.caption;
    return QSortFilterProxyModel::data(index, role);
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    if (parent != m_place_parent) return true;
    const auto* folders = static_cast<const QFileSystemModel*>(sourceModel());
    return folders->filePath(folders->index(row, 0, parent)) == m_place.path;
  }

 private:
  TPlace m_place;
  QPersistentModelIndex m_place_parent;
};

TFolderTree::TFolderTree(QWidget* parent)
    : QTreeView(parent), m_folders(new QFileSystemModel(this)), m_filter(new TPlaceFilter(this)) {
  setObjectName(QStringLiteral("VirtualExplorerTree1"));
  m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  m_folders->setReadOnly(true);
  // The folders keep the file system model's own order, by name as people read numbers.
  m_folders->sort(0, Qt::AscendingOrder);
  m_filter->setSourceModel(m_folders);
  m_filter->setDynamicSortFilter(false);
  setModel(m_filter);
  // Only the names: size, type and date say nothing about a folder here.
  for (int column = 1; column < m_filter->columnCount(); ++column) hideColumn(column);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // A notch of the wheel scrolls, rather than opening the next folder.
  WheelToArrowKeys::LetWheelScroll(this);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { emit CurrentFolderChanged(CurrentFolder()); });
  // The model lists and sorts folders as it gets to them: the current folder stays scrolled
  // into sight while the folders above it are read, until the user picks another folder.
  connect(m_folders, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
    QString folder = QDir(loaded).absolutePath();
    if (!folder.endsWith('/')) folder += '/';
    if (m_reveal.isEmpty() || !(m_reveal + "/").startsWith(folder)) return;
    scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
  });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    if (CurrentFolder() != m_reveal) m_reveal.clear();
  });
}

void TFolderTree::SetPlaces(const QList<TPlace>& places) {
  m_places = places;
  // A drive taken out while it is shown: the tree goes home rather than showing nothing.
  if (const QString shown = m_filter->Place().path; !shown.isEmpty() && !QFileInfo(shown).isDir())
    ShowPlace(QDir::homePath());
}

QModelIndex TFolderTree::IndexOf(const QString& folder) const {
  return m_filter->mapFromSource(m_folders->index(folder));
}

void TFolderTree::ShowPlaceOf(const QString& folder) {
  const TPlace& place = PlaceOf(m_places, folder);
  if (place.path == m_filter->Place().path) return;
  m_folders->setRootPath(place.path);
  m_filter->SetPlace(place, m_folders->index(place.path));
  setRootIndex(m_filter->mapFromSource(m_folders->index(place.path).parent()));
  emit PlaceShown(place.path);
}

bool TFolderTree::SetCurrentFolder(const QString& folder) {
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  const QString path = QDir::cleanPath(QDir(folder).absolutePath());
  ShowPlaceOf(path);
  const QModelIndex found = IndexOf(path);
  if (!found.isValid()) return false;
  for (QModelIndex parent = found.parent(); parent.isValid(); parent = parent.parent())
    expand(parent);
  setCurrentIndex(found);
  m_reveal = path;
  scrollTo(found, QAbstractItemView::PositionAtCenter);
  // Again once the window has been laid out, so that the tree knows its height.
  QMetaObject::invokeMethod(
      this, [this] { scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter); },
      Qt::QueuedConnection);
  return true;
}

void TFolderTree::Start(const QString& folder) {
  if (SetCurrentFolder(folder)) return;
  if (SetCurrentFolder(QDir::homePath())) expand(currentIndex());
}

void TFolderTree::ShowPlace(const QString& place) {
  if (SetCurrentFolder(place)) expand(currentIndex());
}

QString TFolderTree::CurrentFolder() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? m_folders->filePath(m_filter->mapToSource(current)) : QString();
}

QString TFolderTree::Place() const {
  return m_filter->Place().path;
}

}  // namespace fotoloom
