#include "gui/step2/DefaultExportFolder.h"

#include <QDir>
#include <QStandardPaths>

#include "core/base/Path.h"
#include "core/convert/OutputNaming.h"

namespace fotoloom {

QString DefaultExportFolder() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
  const std::string folder = IncludeTrailingSeparator(documents.toStdString());
  return QString::fromStdString(folder) + QStringLiteral("Fotoloom Fotos/fotos_") +
         QString::fromStdString(DateTimeStamp());
}

}  // namespace fotoloom
