#pragma once

#include <QList>
#include <QString>
#include <QTreeView>

#include "gui/browse/PhotoPlaces.h"

class QFileSystemModel;

namespace fotoloom {

class TPlaceFilter;

// The folder tree of step 1 (`VirtualExplorerTree1`): one place (the home folder, the pictures
// folder, a drive or the whole file system) with the folders below it, hidden ones left out,
// each read off the window's thread when it is first opened.
class TFolderTree : public QTreeView {
  Q_OBJECT

 public:
  explicit TFolderTree(QWidget* parent = nullptr);

  // The places offered; a folder is shown below the one that holds it most closely. When the
  // place shown has gone, the home folder is shown.
  void SetPlaces(const QList<TPlace>& places);
  // Makes `folder` the current folder, its parents opened and the tree scrolled to it; false,
  // changing nothing, when it is no folder.
  bool SetCurrentFolder(const QString& folder);
  // Opens the tree at `folder`, or at the home folder (opened too) when that is no folder.
  void Start(const QString& folder);
  // Shows `place` alone, opened, as the current folder.
  void ShowPlace(const QString& place);
  // The path of the current folder; empty when none is current.
  QString CurrentFolder() const;
  // The path of the place shown.
  QString Place() const;

 signals:
  void CurrentFolderChanged(const QString& folder);
  // The tree now shows the place at `path`.
  void PlaceShown(const QString& path);

 private:
  void ShowPlaceOf(const QString& folder);
  QModelIndex IndexOf(const QString& folder) const;

  QFileSystemModel* m_folders;
  TPlaceFilter* m_filter;
  QList<TPlace> m_places;
  QString m_reveal;  // a folder to scroll into sight once its parent has been read
};

}  // namespace fotoloom
