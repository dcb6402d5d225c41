#pragma once

#include <QStackedWidget>
#include <QString>
#include <QStringList>
#include <QTimer>

class QAbstractItemView;
class QListView;
class QMenu;
class QModelIndex;
class QTreeView;

namespace fotoloom {

class TFolderItemsModel;
class TThumbnailLoader;

// The thumbnail browser of step 1 (`VirtualEel1`): the items of one folder as thumbnails or
// as a details list, several selectable at once (also by dragging a frame), a drag source
// of their files. A double click browses into a folder or opens a file with the desktop's
// program. Thumbnails are asked for only for the items in sight. The items follow the
// changes of the folder; the mouse wheel scrolls.
class TThumbnailBrowser : public QStackedWidget {
  Q_OBJECT

 public:
  explicit TThumbnailBrowser(QWidget* parent = nullptr);
  ~TThumbnailBrowser() override;

  // Shows the items of `folder`; nothing happens when it is already shown.
  void SetFolder(const QString& folder);
  QString Folder() const;
  TFolderItemsModel& Items() const { return *m_items; }
  // The paths of the selected items, in the browser's order.
  QStringList SelectedPaths() const;
  void SelectAll();

  void ShowThumbnails();
  void ShowDetails();
  bool ShowsDetails() const;
  QListView* ThumbnailView() const { return m_thumbnails; }
  QTreeView* DetailsView() const { return m_details; }
  void SetContextMenu(QMenu* menu);

 signals:
  // A double click browsed into `folder`.
  void FolderOpened(const QString& folder);

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QAbstractItemView* ShownView() const;
  void Open(const QModelIndex& index);
  void RequestVisibleThumbnails();

  TFolderItemsModel* m_items;
  TThumbnailLoader* m_loader;
  QListView* m_thumbnails;
  QTreeView* m_details;
  // Gathers the scrolls, resizes and layout steps of a moment into one look at what is
  // in sight.
  QTimer m_in_sight;
};

}  // namespace fotoloom
