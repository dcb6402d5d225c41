#pragma once

#include <QString>
#include <QTreeView>

class QFileSystemModel;

namespace fotoloom {

// The folder tree of step 1 (`VirtualExplorerTree1`): the folders of the file system from
// its root down, hidden ones left out, each read when it is first opened.
class TFolderTree : public QTreeView {
  Q_OBJECT

 public:
  explicit TFolderTree(QWidget* parent = nullptr);

  // Makes `folder` the current folder, its parents opened; false, changing nothing, when it
  // is no folder.
  bool SetCurrentFolder(const QString& folder);
  // Opens the tree at `folder`, or at the home folder (opened too) when that is no folder.
  void Start(const QString& folder);
  // The path of the current folder; empty when none is current.
  QString CurrentFolder() const;

 signals:
  void CurrentFolderChanged(const QString& folder);

 private:
  QFileSystemModel* m_folders;
  QString m_reveal;  // a folder to scroll into sight once its parent has been read
};

}  // namespace fotoloom
