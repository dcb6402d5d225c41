#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace fotoloom {

// A place where a user's photos live, as the folder tree offers it.
struct TPlace {
  QString caption;
  QString path;  // cleaned, without a trailing separator ("/" for the file system)
};

// In the order offered: the home folder, "Afbeeldingen" (the pictures folder), the desktop,
// each drive mounted in one of `drive_roots`, then the whole file system. A place that is no
// folder, or that is listed already, is left out.
QList<TPlace> PhotoPlaces(const QStringList& drive_roots);

// Where the desktop mounts removable drives for this user: /media/$USER and /run/media/$USER.
QStringList RemovableDriveRoots();

// The place that holds `folder` most closely, "/" when none does; `places` as above.
const TPlace& PlaceOf(const QList<TPlace>& places, const QString& folder);

}  // namespace fotoloom
