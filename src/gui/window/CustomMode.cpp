#include "gui/window/CustomMode.h"

namespace fotoloom {

bool HasCustomModeSwitch(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (argument.startsWith(u'-') || argument.startsWith(u'/')) {
      if (QStringView(argument).mid(1).compare(u"custom=kestrova", Qt::CaseInsensitive) == 0)
        return true;
    }
  }
  return false;
}

QString MainWindowCaption(bool custom_mode) {
  QString caption = QStringLiteral("Fotoloom");
  if (custom_mode) caption += QStringLiteral(" | Kestrova Custommode");
  return caption;
}

}  // namespace fotoloom
