#pragma once

#include "gui/common/ContextMenu.h"

class QMenu;
class QWidget;

namespace fotoloom {

// The three context menus of the main window. Their items are not connected here.
struct MainMenus {
  QMenu* selection;  // the selection list, its preview and the picture of the step-3 strip
  QMenu* results;    // the result list, its preview and the button "Opties >"
  QMenu* browser;    // the thumbnail browser
};

MainMenus BuildMainMenus(QWidget* owner);

}  // namespace fotoloom
