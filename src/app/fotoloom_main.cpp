#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>

#include "core/settings/DataFolder.h"
#include "gui/common/Artwork.h"
#include "gui/common/DutchLanguage.h"
#include "gui/common/WheelToArrowKeys.h"
#include "gui/window/CommandLineFiles.h"
#include "gui/window/SingleInstance.h"
#include "gui/window/TFormMain.h"

namespace {

constexpr char kUsage[] =
    "Gebruik: fotoloom [BESTAND|MAP]... [/custom=kestrova]\n"
    "Opent Fotoloom met de foto's en mappen in de selectielijst. Draait Fotoloom al,\n"
    "dan gaan ze naar dat venster.\n"
    "\n"
    "  -h, --help     deze tekst\n"
    "      --version  het versienummer\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before the application starts, so that they need no display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("fotoloom " FOTOLOOM_VERSION "\n", stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fotoloom"));
  // Lets the desktop match the window with its entry (icon, name) on Wayland.
  QGuiApplication::setDesktopFileName(QStringLiteral("nl.fotoloom.Fotoloom"));
  QApplication::setWindowIcon(fotoloom::ProgramIcon());
  const QStringList arguments = QApplication::arguments().mid(1);

  // A running Fotoloom takes the files and comes to the front; this start ends.
  fotoloom::TSingleInstance instance(fotoloom::TSingleInstance::DefaultServerName());
  if (instance.HandOver(fotoloom::CommandLineFiles(arguments, QDir::currentPath()))) return 0;
  instance.Listen();

  fotoloom::UseDutchLanguage();
  fotoloom::WheelToArrowKeys wheel_to_arrow_keys;
  app.installEventFilter(&wheel_to_arrow_keys);

  const QString data_folder = QString::fromStdString(fotoloom::DataFolder());
  fotoloom::TFormMain form(data_folder, arguments);
  form.ServeLaterStarts(instance);
  form.show();
  return QApplication::exec();
}
