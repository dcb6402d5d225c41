#include "gui/common/DutchLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace fotoloom {

bool UseDutchLanguage() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(DutchLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    qWarning("Qt's Dutch translations (qtbase_nl.qm) are not installed");
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

QLocale DutchLocale() {
  return QLocale(QLocale::Dutch, QLocale::Netherlands);
}

}  // namespace fotoloom
