#pragma once

#include <QList>
#include <QListWidget>
#include <QString>

#include "gui/browse/PhotoPlaces.h"

namespace fotoloom {

// The places above the folder tree (`PlacesList`): a click on one opens it in the tree.
class TPlacesList : public QListWidget {
  Q_OBJECT

 public:
  explicit TPlacesList(QWidget* parent = nullptr);

  void SetPlaces(const QList<TPlace>& places);
  // As high as its places; a low window may shrink it to a row and a half.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // Marks the place at `path` as the one shown, without choosing it again.
  void MarkShown(const QString& path);

 signals:
  void PlaceChosen(const QString& path);
};

}  // namespace fotoloom
