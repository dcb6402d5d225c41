#include "gui/browse/PlacesList.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStyle>

#include "gui/common/WheelToArrowKeys.h"

namespace fotoloom {
namespace {

constexpr int kPathRole = Qt::UserRole;

QIcon PlaceIcon(const QStyle* style, int index, const TPlace& place) {
  if (place.path == QStringLiteral("/")) return style->standardIcon(QStyle::SP_DriveHDIcon);
  if (index == 0) return style->standardIcon(QStyle::SP_DirHomeIcon);
  return style->standardIcon(QStyle::SP_DirIcon);
}

}  // namespace

TPlacesList::TPlacesList(const QStringList& drive_roots, QWidget* parent)
    : QListWidget(parent), m_drive_roots(drive_roots) {
  setObjectName(QStringLiteral("PlacesList"));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  setIconSize(QSize(16, 16));
  setUniformItemSizes(true);
  // A notch of the wheel would only move the highlight, without opening the place.
  WheelToArrowKeys::LetWheelScroll(this);
  connect(this, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { emit PlaceChosen(item->data(kPathRole).toString()); });
  connect(this, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { emit PlaceChosen(item->data(kPathRole).toString()); });
  connect(&m_drives, &QFileSystemWatcher::directoryChanged, this, [this] {
    ReadPlaces();
    emit PlacesChanged(m_places);
  });
  ReadPlaces();
}

// Watches each drive root, or the folder that will hold it once the first drive is mounted.
void TPlacesList::ReadPlaces() {
  m_places = PhotoPlaces(m_drive_roots);
  if (const QStringList watched = m_drives.directories(); !watched.isEmpty())
    m_drives.removePaths(watched);
  for (const QString& root : m_drive_roots) {
    const QFileInfo info(root);
    if (info.isDir())
      m_drives.addPath(root);
    else if (QFileInfo(info.path()).isDir())
      m_drives.addPath(info.path());
  }
  const QSignalBlocker quiet(this);
  clear();
  for (int i = 0; i < m_places.size(); ++i) {
    const TPlace& place = m_places[i];
    auto* item = new QListWidgetItem(PlaceIcon(style(), i, place), place.caption, this);
    item->setData(kPathRole, place.path);
    item->setToolTip(place.path);
  }
  MarkShown(m_shown);
  updateGeometry();
}

QSize TPlacesList::sizeHint() const {
  const int row = std::max(1, sizeHintForRow(0));
  return {QListWidget::sizeHint().width(), count() * row + 2 * frameWidth()};
}

QSize TPlacesList::minimumSizeHint() const {
  const int row = std::max(1, sizeHintForRow(0));
  return {QListWidget::minimumSizeHint().width(), row * 3 / 2 + 2 * frameWidth()};
}

void TPlacesList::MarkShown(const QString& path) {
  m_shown = path;
  const QSignalBlocker quiet(this);
  clearSelection();
  for (int row = 0; row < count(); ++row)
    if (item(row)->data(kPathRole).toString() == path) setCurrentRow(row);
}

}  // namespace fotoloom
