#include "gui/step2/DefaultExportFolder.h"

#include <QDir>
#include <QStandardPaths>

#include "core/base/Path.h"
#include "core/convert/OutputNaming.h"

namespace fotoloom {

QString DefaultExportFolder() {
  const auto existing = [](QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    return !folder.isEmpty() && QDir(folder).exists() ? folder : QString();
  };
  QString base = existing(QStandardPaths::PicturesLocation);
  if (base.isEmpty()) base = existing(QStandardPaths::DocumentsLocation);
  if (base.isEmpty()) base = QDir::homePath();
  const std::string folder = IncludeTrailingSeparator(base.toStdString());
  return QString::fromStdString(folder) + QStringLiteral("Fotoloom Fotos/fotos_") +
         QString::fromStdString(DateTimeStamp());
}

}  // namespace fotoloom
