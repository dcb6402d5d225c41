#pragma once

#include <QFileSystemWatcher>
#include <QList>
#include <QListWidget>
#include <QString>
#include <QStringList>

#include "gui/browse/PhotoPlaces.h"

namespace fotoloom {

// The places above the folder tree (`PlacesList`): a click on one opens it in the tree. A drive
// mounted in one of the drive roots while the window is open joins the places, and one taken
// out leaves them.
class TPlacesList : public QListWidget {
  Q_OBJECT

 public:
  explicit TPlacesList(const QStringList& drive_roots, QWidget* parent = nullptr);

  const QList<TPlace>& Places() const { return m_places; }
  // Marks the place at `path` as the one shown, without choosing it again.
  void MarkShown(const QString& path);
  // As high as its places; a low window may shrink it to a row and a half.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void PlaceChosen(const QString& path);
  void PlacesChanged(const QList<TPlace>& places);

 private:
  void ReadPlaces();

  QStringList m_drive_roots;
  QList<TPlace> m_places;
  QString m_shown;
  QFileSystemWatcher m_drives;
};

}  // namespace fotoloom
