#include "gui/browse/FolderItemsModel.h"

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <functional>

#include "core/lists/ListEntry.h"
#include "gui/common/DutchLanguage.h"

namespace fotoloom {
namespace {

// The formats the thumbnail loader decodes.
bool MakesThumbnail(const QString& suffix) {
  static const QStringList kSuffixes{"jpg", "jpeg", "gif", "bmp", "png"};
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
    item.date = dutch.toString(info.lastModified(), QLocale::ShortFormat);
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

}  // namespace

TFolderItemsModel::TFolderItemsModel(QObject* parent) : QAbstractTableModel(parent) {
  const QFileIconProvider icons;
  m_folder_icon = icons.icon(QAbstractFileIconProvider::Folder);
  m_file_icon = icons.icon(QAbstractFileIconProvider::File);
  m_lister.setMaxThreadCount(1);
}

TFolderItemsModel::~TFolderItemsModel() {
  ++m_generation;
  m_post.Detach();
  m_lister.clear();
}

void TFolderItemsModel::SetFolder(const QString& folder) {
  beginResetModel();
  m_folder = folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
  m_items.clear();
  m_thumbnails.clear();
  m_rows.clear();
  endResetModel();
  const quint64 generation = ++m_generation;
  m_lister.clear();
  if (m_folder.isEmpty()) return;
  const std::string decimal_separator = QLocale().decimalPoint().toStdString();
  m_lister.start([this, generation, folder = m_folder, decimal_separator] {
    std::vector<TItem> items =
        ListFolder(folder, decimal_separator, [&] { return m_generation == generation; });
    m_post.Post([this, generation, items = std::move(items)]() mutable {
      TakeListing(generation, std::move(items));
    });
  });
}

void TFolderItemsModel::TakeListing(quint64 generation, std::vector<TItem> items) {
  if (generation != m_generation) return;
  beginResetModel();
  m_items = std::move(items);
  m_thumbnails.assign(m_items.size(), QPixmap());
  for (size_t row = 0; row < m_items.size(); ++row)
    m_rows.insert(m_items[row].name, static_cast<int>(row));
  endResetModel();
  emit Listed();
}

QString TFolderItemsModel::PathOf(int row) const {
  return QDir(m_folder).filePath(Item(row).name);
}

void TFolderItemsModel::SetThumbnail(const QString& path, const QImage& thumbnail) {
  const QFileInfo file(path);
  if (thumbnail.isNull() || file.path() != m_folder) return;
  const auto found = m_rows.constFind(file.fileName());
  if (found == m_rows.constEnd()) return;
  QPixmap pixmap = QPixmap::fromImage(thumbnail);
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
