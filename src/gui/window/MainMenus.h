#pragma once

#include "gui/common/ContextMenu.h"

class QAction;
class QMenu;
class QWidget;

namespace fotoloom {

// The three context menus of the main window. Their items are not connected here.
struct MainMenus {
  QMenu* selection;  // the selection list, its preview and the picture of the step-3 strip
  QMenu* results;    // the result list, its preview and the button "Opties >"
  QMenu* browser;    // the thumbnail browser
  // The items that the pages carry out.
  QAction* remove_selection;  // acVerwijderen
  QAction* remove_all;        // acAllesVerwijderen
  QAction* open_folder;       // Mapopenen1
  QAction* add_selected;      // Toevoegen1
  QAction* add_all;           // Allestoevoegen1
  QAction* export_photos;     // Fotosexporteren1
};

MainMenus BuildMainMenus(QWidget* owner);

}  // namespace fotoloom
