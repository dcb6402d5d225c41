#include "gui/browse/PlacesList.h"

#include <QSignalBlocker>
#include <QStyle>

namespace fotoloom {
namespace {

constexpr int kPathRole = Qt::UserRole;

QIcon PlaceIcon(const QStyle* style, int index, const TPlace& place) {
  if (place.path == QStringLiteral("/")) return style->standardIcon(QStyle::SP_DriveHDIcon);
  if (index == 0) return style->standardIcon(QStyle::SP_DirHomeIcon);
  return style->standardIcon(QStyle::SP_DirIcon);
}

}  // namespace

TPlacesList::TPlacesList(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("PlacesList"));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  connect(this, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { emit PlaceChosen(item->data(kPathRole).toString()); });
  connect(this, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { emit PlaceChosen(item->data(kPathRole).toString()); });
}

void TPlacesList::SetPlaces(const QList<TPlace>& places) {
  const QSignalBlocker quiet(this);
  clear();
  for (int i = 0; i < places.size(); ++i) {
    auto* item = new QListWidgetItem(PlaceIcon(style(), i, places[i]), places[i].caption, this);
    item->setData(kPathRole, places[i].path);
    item->setToolTip(places[i].path);
  }
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
  const QSignalBlocker quiet(this);
  clearSelection();
  for (int row = 0; row < count(); ++row)
    if (item(row)->data(kPathRole).toString() == path) setCurrentRow(row);
}

}  // namespace fotoloom
