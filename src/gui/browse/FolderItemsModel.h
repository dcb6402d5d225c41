#pragma once

#include <QAbstractTableModel>
#include <QFileSystemWatcher>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <vector>

#include "gui/common/WindowPost.h"

class QImage;

namespace fotoloom {

// The items of one folder as the thumbnail browser shows them: sub-folders first, then the
// files, each sorted by name as people read numbers ("foto2" before "foto10"). Hidden items
// are left out. The folder is read on a worker, so that a folder of thousands of photos
// never holds up the window; the model stays empty until its listing arrives. The folder is
// watched: its changes are gathered and the folder listed again at most once a moment, and
// the items are then brought up to date row by row, so that the views keep their selection.
class TFolderItemsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Name, Size, Type, Date, ColumnCount };

  struct TItem {
    QString name;
    bool is_folder = false;
    bool has_thumbnail = false;  // a photo whose thumbnail can be made
    QString size_text;           // empty for a folder
    QString type;
    QString date;
    // Exact, unlike the texts: a photo rewritten within the same minute is seen to change.
    qint64 bytes = 0;
    qint64 modified_ms = 0;
  };

  explicit TFolderItemsModel(QObject* parent = nullptr);
  ~TFolderItemsModel() override;

  // Starts listing `folder`; a listing still running for another folder is dropped.
  void SetFolder(const QString& folder);
  // Lists the folder shown again and updates the items that were added, removed or changed.
  void Refresh();
  // The folder shown (or being listed), cleaned, without a trailing separator.
  const QString& Folder() const { return m_folder; }
  const TItem& Item(int row) const { return m_items[static_cast<size_t>(row)]; }
  QString PathOf(int row) const;
  // Shows the thumbnail of `path` where it is an item of the folder shown.
  void SetThumbnail(const QString& path, const QImage& thumbnail);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;

 signals:
  // The listing of the folder has arrived and the items are in the model.
  void Listed();
  // A file that was listed before has changed (its size or time); its thumbnail is dropped.
  void FileChanged(const QString& path);

 private:
  void StartListing();
  void TakeListing(quint64 generation, std::vector<TItem> items);
  void RemoveGoneItems(const std::vector<TItem>& fresh);
  void InsertAndUpdateItems(std::vector<TItem> fresh);
  void IndexNames();
  void FolderChanged();

  QString m_folder;
  std::vector<TItem> m_items;
  std::vector<QPixmap> m_thumbnails;  // by row; made on the window's thread only
  QHash<QString, int> m_rows;         // item name -> row
  QIcon m_folder_icon;
  QIcon m_file_icon;
  // A newer listing makes an older one stop early and its result is dropped.
  std::atomic<quint64> m_generation{0};
  bool m_listing = false;
  // Changes of the folder seen while it was being listed: it is listed once more after.
  bool m_changed_while_listing = false;
  QFileSystemWatcher m_watcher;
  // Started by the first change of a storm; the folder is listed when it runs out.
  QTimer m_changes;
  TWindowPost m_post{this};
  // Last, so that its running listing ends while the rest of the model still stands.
  QThreadPool m_lister;
};

}  // namespace fotoloom
