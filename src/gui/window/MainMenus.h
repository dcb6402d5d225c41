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
  QAction* rotate_selection;  // Afbeeldingroteren1
  QAction* edit_selection;    // Afbeeldingbewerken2
  QAction* copy_folder_link;  // Maplinkkopieeren1
  QAction* rename_result;     // Bestandsnaamwijzigen1
  QAction* check_all;         // Alleregelsaanvinken1
  QAction* uncheck_all;       // Alleregelsuitvinken1
  QAction* email_settings;    // Emailinstellingen1
  QAction* ftp_settings;      // FTPgegevensinstellen
  QAction* rotate_result;     // Roteren90graden
  QAction* edit_result;       // Afbeeldingbewerken1
  QAction* export_photos;     // Fotosexporteren1
  QAction* open_folder_field; // Mapopenen2
};

MainMenus BuildMainMenus(QWidget* owner);

}  // namespace fotoloom
