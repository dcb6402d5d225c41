#include "gui/browse/PhotoPlaces.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace fotoloom {
namespace {

QString Clean(const QString& path) {
  return QDir::cleanPath(QDir(path).absolutePath());
}

bool Holds(const QString& place, const QString& folder) {
  return folder == place || folder.startsWith(place.endsWith('/') ? place : place + '/');
}

}  // namespace

QList<TPlace> PhotoPlaces(const QStringList& drive_roots) {
  QList<TPlace> places;
  const auto offer = [&](const QString& caption, const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isDir()) return;
    const QString clean = Clean(path);
    for (const TPlace& place : places)
      if (place.path == clean) return;
    places.append({caption, clean});
  };
  offer(QStringLiteral("Persoonlijke map"), QDir::homePath());
  offer(QStringLiteral("Afbeeldingen"),
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
  offer(QStringLiteral("Bureaublad"),
        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
  for (const QString& root : drive_roots) {
    const QDir mounts(root);
    for (const QString& drive :
         mounts.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
      offer(drive, mounts.filePath(drive));
  }
  offer(QStringLiteral("Bestandssysteem"), QDir::rootPath());
  return places;
}

QStringList RemovableDriveRoots() {
  QString user = qEnvironmentVariable("USER");
  if (user.isEmpty()) user = QDir::home().dirName();
  return {QStringLiteral("/media/") + user, QStringLiteral("/run/media/") + user};
}

const TPlace& PlaceOf(const QList<TPlace>& places, const QString& folder) {
  static const TPlace kFileSystem{QStringLiteral("Bestandssysteem"), QDir::rootPath()};
  const QString clean = Clean(folder);
  const TPlace* closest = nullptr;
  for (const TPlace& place : places)
    if (Holds(place.path, clean) && (!closest || place.path.size() > closest->path.size()))
      closest = &place;
  return closest ? *closest : kFileSystem;
}

}  // namespace fotoloom
