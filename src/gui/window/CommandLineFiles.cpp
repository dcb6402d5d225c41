#include "gui/window/CommandLineFiles.h"

#include <QDir>
#include <QUrl>

#include "gui/window/CustomMode.h"

namespace fotoloom {

QStringList CommandLineFiles(const QStringList& arguments, const QString& working_folder) {
  const QDir working(working_folder);
  QStringList files;
  bool only_paths = false;
  for (const QString& argument : arguments) {
    if (!only_paths) {
      if (argument == QLatin1String("--")) {
        only_paths = true;
        continue;
      }
      if (argument.startsWith(u'-') || HasCustomModeSwitch({argument})) continue;
    }
    if (argument.isEmpty()) continue;
    QString path = argument;
    if (argument.startsWith(QLatin1String("file:"))) {
      const QUrl url(argument);
      if (!url.isLocalFile()) continue;
      path = url.toLocalFile();
    }
    files.append(QDir::cleanPath(working.absoluteFilePath(path)));
  }
  return files;
}

}  // namespace fotoloom
