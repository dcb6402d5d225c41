#include <QApplication>

#include "core/settings/DataFolder.h"
#include "gui/common/Artwork.h"
#include "gui/common/DutchLanguage.h"
#include "gui/window/TFormMain.h"
#include "gui/common/WheelToArrowKeys.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fotoloom"));
  QApplication::setWindowIcon(fotoloom::ProgramIcon());
  fotoloom::UseDutchLanguage();
  fotoloom::WheelToArrowKeys wheel_to_arrow_keys;
  app.installEventFilter(&wheel_to_arrow_keys);

  const QString data_folder = QString::fromStdString(fotoloom::DataFolder());
  fotoloom::TFormMain form(data_folder, QApplication::arguments().mid(1));
  form.show();
  return QApplication::exec();
}
