#include "gui/browse/FolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>

#include "gui/common/WheelToArrowKeys.h"

namespace fotoloom {

TFolderTree::TFolderTree(QWidget* parent)
    : QTreeView(parent), m_folders(new QFileSystemModel(this)) {
  setObjectName(QStringLiteral("VirtualExplorerTree1"));
  m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  m_folders->setReadOnly(true);
  m_folders->setRootPath(QDir::rootPath());
  setModel(m_folders);
  // Only the names: size, type and date say nothing about a folder here.
  for (int column = 1; column < m_folders->columnCount(); ++column) hideColumn(column);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setSortingEnabled(true);
  sortByColumn(0, Qt::AscendingOrder);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // A notch of the wheel scrolls, rather than opening the next folder.
  WheelToArrowKeys::LetWheelScroll(this);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { emit CurrentFolderChanged(CurrentFolder()); });
  // The model lists and sorts folders as it gets to them: the start folder stays scrolled into
  // sight while the folders above it are read, until the user picks another folder.
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

bool TFolderTree::SetCurrentFolder(const QString& folder) {
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  const QModelIndex found = m_folders->index(QDir::cleanPath(QDir(folder).absolutePath()));
  if (!found.isValid()) return false;
  for (QModelIndex parent = found.parent(); parent.isValid(); parent = parent.parent())
    expand(parent);
  setCurrentIndex(found);
  m_reveal = m_folders->filePath(found);
  // Once the window has been laid out, so that the tree knows its height.
  QMetaObject::invokeMethod(
      this, [this] { scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter); },
      Qt::QueuedConnection);
  return true;
}

void TFolderTree::Start(const QString& folder) {
  if (SetCurrentFolder(folder)) return;
  if (SetCurrentFolder(QDir::homePath())) expand(currentIndex());
}

QString TFolderTree::CurrentFolder() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? m_folders->filePath(current) : QString();
}

}  // namespace fotoloom
