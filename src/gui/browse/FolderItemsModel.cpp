#include "gui/browse/FolderItemsModel.h"

#include <QApplication>
#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

#include "core/lists/ListEntry.h"
#include "gui/common/DutchLanguage.h"

namespace fotoloom {
namespace {

// The formats the thumbnail loader decodes.
bool MakesThumbnail(const QString& suffix) {
  static const QStringList kSuffixes{"jpg",  "jpeg", "gif",  "bmp", "png", "heic",
                                     "heif", "avif", "webp", "tif", "tiff"};
  return kSuffixes.contains(suffix, Qt::CaseInsensitive);
}

QString TypeText(const QFileInfo& info) {
  if (info.isDir()) return QStringLiteral("Bestandsmap");
  const QString suffix = info.suffix();
  return suffix.isEmpty() ? QStringLiteral("Bestand")
                          : suffix.toUpper() + QStringLiteral("-bestand");
}

// Runs on the lister's thread; stops early, with a listing nobody wants, once `going` fails.
std::vector<TFolderItemsModel::TItem> ListFolder(const QString& folder,
                                                 const std::string& decimal_separator,
                                                 const std::function<bool()>& going) {
  std::vector<TFolderItemsModel::TItem> items;
  // No QDir::Hidden and no QDir::System: hidden items, devices and broken links stay out.
  const QFileInfoList infos =
      QDir(folder).entryInfoList(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
  items.reserve(static_cast<size_t>(infos.size()));
  const QLocale dutch = DutchLocale();
  for (const QFileInfo& info : infos) {
    if (!going()) return {};
    TFolderItemsModel::TItem item;
    item.name = info.fileName();
    item.is_folder = info.isDir();
    item.type = TypeText(info);
    const QDateTime modified = info.lastModified();
    item.date = dutch.toString(modified, QLocale::ShortFormat);
    item.modified_ms = modified.toMSecsSinceEpoch();
    item.bytes = info.size();
    if (!item.is_folder) {
      item.has_thumbnail = MakesThumbnail(info.suffix());
      item.size_text =
          QString::fromStdString(SizeText(static_cast<uint64_t>(info.size()), decimal_separator));
    }
    items.push_back(std::move(item));
  }
  // The program speaks Dutch, and the C locale's collator knows no numeric order.
  QCollator collator(dutch);
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(items.begin(), items.end(), [&](const auto& a, const auto& b) {
    if (a.is_folder != b.is_folder) return a.is_folder;
    const int order = collator.compare(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  return items;
}

// How long the changes of a folder are gathered before it is listed again: copying a few
// thousand photos into it lists it a few times a second, not once per photo.
constexpr int kChangesGatherMs = 300;

bool SameKind(const TFolderItemsModel::TItem& a, const TFolderItemsModel::TItem& b) {
  return a.name == b.name && a.is_folder == b.is_folder;
}

}  // namespace

TFolderItemsModel::TFolderItemsModel(QObject* parent) : QAbstractTableModel(parent) {
  const QFileIconProvider icons;
  m_folder_icon = icons.icon(QAbstractFileIconProvider::Folder);
  m_file_icon = icons.icon(QAbstractFileIconProvider::File);
  m_changes.setSingleShot(true);
  m_changes.setInterval(kChangesGatherMs);
  connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
          &TFolderItemsModel::FolderChanged);
  connect(&m_changes, &QTimer::timeout, this, [this] {
    if (m_listing)
      m_changed_while_listing = true;
    else
      StartListing();
  });
}

TFolderItemsModel::~TFolderItemsModel() = default;

void TFolderItemsModel::SetFolder(const QString& folder) {
  beginResetModel();
  m_folder = folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
  m_items.clear();
  m_thumbnails.clear();
  m_rows.clear();
  endResetModel();
  if (const QStringList watched = m_watcher.directories(); !watched.isEmpty())
    m_watcher.removePaths(watched);
  m_changes.stop();
  m_changed_while_listing = false;
  if (m_folder.isEmpty()) {
    m_lister.CancelAll();
    m_listing = false;
    return;
  }
  // Watched before it is listed, so that no change falls between the two.
  m_watcher.addPath(m_folder);
  StartListing();
}

void TFolderItemsModel::Refresh() {
  if (!m_folder.isEmpty()) StartListing();
}

void TFolderItemsModel::FolderChanged() {
  if (!m_changes.isActive()) m_changes.start();
}

void TFolderItemsModel::StartListing() {
  m_listing = true;
  const std::string decimal_separator = QLocale().decimalPoint().toStdString();
  m_lister.Replace(
      [folder = m_folder, decimal_separator](const TBackgroundWork::TJob& job) {
        return ListFolder(folder, decimal_separator, [&] { return !job.Cancelled(); });
      },
      [this](std::vector<TItem> items) { TakeListing(std::move(items)); });
}

void TFolderItemsModel::TakeListing(std::vector<TItem> items) {
  m_listing = false;
  if (m_items.empty()) {
    // The first listing of a folder: the views start afresh, at the top.
    beginResetModel();
    m_items = std::move(items);
    m_thumbnails.assign(m_items.size(), QPixmap());
    IndexNames();
    endResetModel();
  } else {
    RemoveGoneItems(items);
    InsertAndUpdateItems(std::move(items));
  }
  emit Listed();
  if (std::exchange(m_changed_while_listing, false)) m_changes.start();
}

// Removes, in runs from the end, the items that the fresh listing no longer holds.
void TFolderItemsModel::RemoveGoneItems(const std::vector<TItem>& fresh) {
  QHash<QString, bool> fresh_kinds;  // name -> is a folder
  fresh_kinds.reserve(static_cast<qsizetype>(fresh.size()));
  for (const TItem& item : fresh) fresh_kinds.insert(item.name, item.is_folder);
  const auto stays = [&](int row) {
    const auto found = fresh_kinds.constFind(Item(row).name);
    return found != fresh_kinds.constEnd() && *found == Item(row).is_folder;
  };
  for (int row = rowCount() - 1; row >= 0;) {
    if (stays(row)) {
      --row;
      continue;
    }
    const int last = row;
    while (row >= 0 && !stays(row)) --row;
    beginRemoveRows(QModelIndex(), row + 1, last);
    m_items.erase(m_items.begin() + row + 1, m_items.begin() + last + 1);
    m_thumbnails.erase(m_thumbnails.begin() + row + 1, m_thumbnails.begin() + last + 1);
    endRemoveRows();
  }
}

// The items left are those of `fresh` that were listed before, in the same order, since both
// listings are sorted alike: the new ones are inserted in runs between them.
void TFolderItemsModel::InsertAndUpdateItems(std::vector<TItem> fresh) {
  size_t at = 0;
  for (size_t next = 0; next < fresh.size();) {
    if (at < m_items.size() && SameKind(m_items[at], fresh[next])) {
      TItem& item = m_items[at];
      if (item.bytes != fresh[next].bytes || item.modified_ms != fresh[next].modified_ms) {
        item = std::move(fresh[next]);
        m_thumbnails[at] = QPixmap();
        emit dataChanged(index(static_cast<int>(at), 0),
                         index(static_cast<int>(at), ColumnCount - 1));
        if (!item.is_folder) emit FileChanged(PathOf(static_cast<int>(at)));
      }
      ++at;
      ++next;
      continue;
    }
    size_t end = next;
    while (end < fresh.size() && !(at < m_items.size() && SameKind(m_items[at], fresh[end]))) ++end;
    const auto count = static_cast<std::ptrdiff_t>(end - next);
    beginInsertRows(QModelIndex(), static_cast<int>(at), static_cast<int>(at + end - next) - 1);
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(at),
                   std::make_move_iterator(fresh.begin() + static_cast<std::ptrdiff_t>(next)),
                   std::make_move_iterator(fresh.begin() + static_cast<std::ptrdiff_t>(end)));
    m_thumbnails.insert(m_thumbnails.begin() + static_cast<std::ptrdiff_t>(at),
                        static_cast<size_t>(count), QPixmap());
    endInsertRows();
    at += end - next;
    next = end;
  }
  IndexNames();
}

void TFolderItemsModel::IndexNames() {
  m_rows.clear();
  for (size_t row = 0; row < m_items.size(); ++row)
    m_rows.insert(m_items[row].name, static_cast<int>(row));
}

QString TFolderItemsModel::PathOf(int row) const {
  return QDir(m_folder).filePath(Item(row).name);
}

void TFolderItemsModel::SetThumbnail(const QString& path, const QImage& thumbnail) {
  const QFileInfo file(path);
  if (thumbnail.isNull() || file.path() != m_folder) return;
  const auto found = m_rows.constFind(file.fileName());
  if (found == m_rows.constEnd()) return;
  // Every thumbnail goes on a square of the same size, so that the view's uniform item size
  // fits portrait and landscape photos alike and the captions stand on one line.
  const int side = std::max(thumbnail.width(), thumbnail.height());
  QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
  square.fill(Qt::transparent);
  QPainter(&square).drawImage((side - thumbnail.width()) / 2, (side - thumbnail.height()) / 2,
                              thumbnail);
  QPixmap pixmap = QPixmap::fromImage(square);
  pixmap.setDevicePixelRatio(qApp->devicePixelRatio());
  m_thumbnails[static_cast<size_t>(*found)] = pixmap;
  const QModelIndex changed = index(*found, Name);
  emit dataChanged(changed, changed, {Qt::DecorationRole});
}

int TFolderItemsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

int TFolderItemsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TFolderItemsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TItem& item = Item(index.row());
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case Name:
          return item.name;
        case Size:
          return item.size_text;
        case Type:
          return item.type;
        case Date:
          return item.date;
        default:
          return {};
      }
    case Qt::DecorationRole:
      if (index.column() != Name) return {};
      if (const QPixmap& thumbnail = m_thumbnails[static_cast<size_t>(index.row())];
          !thumbnail.isNull())
        return thumbnail;
      return item.is_folder ? m_folder_icon : m_file_icon;
    case Qt::TextAlignmentRole:
      if (index.column() == Size) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default:
      return {};
  }
}

QVariant TFolderItemsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case Name:
      return QStringLiteral("Naam");
    case Size:
      return QStringLiteral("Grootte");
    case Type:
      return QStringLiteral("Type");
    case Date:
      return QStringLiteral("Gewijzigd op");
    default:
      return {};
  }
}

Qt::ItemFlags TFolderItemsModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList TFolderItemsModel::mimeTypes() const {
  return {QStringLiteral("text/uri-list")};
}

// The files in the browser's order, each once (the details view hands in every column).
QMimeData* TFolderItemsModel::mimeData(const QModelIndexList& indexes) const {
  std::vector<int> rows;
  for (const QModelIndex& index : indexes) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QList<QUrl> urls;
  for (int row : rows) urls << QUrl::fromLocalFile(PathOf(row));
  auto* data = new QMimeData;
  data->setUrls(urls);
  return data;
}

}  // namespace fotoloom
