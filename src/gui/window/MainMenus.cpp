#include "gui/window/MainMenus.h"

#include <QMenu>

namespace fotoloom {
namespace {

struct Item {
  const char* name;  // nullptr: a separator
  const char* caption;
  const char* shortcut;
  QAction** action = nullptr;  // where the item is kept, when a page carries it out
};

QMenu* BuildMenu(QWidget* owner, const char* name, std::initializer_list<Item> items) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QString::fromLatin1(name));
  for (const Item& item : items) {
    if (!item.name) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(QString::fromUtf8(item.caption));
    action->setObjectName(QString::fromLatin1(item.name));
    if (item.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
    if (item.action) *item.action = action;
  }
  return menu;
}

}  // namespace

MainMenus BuildMainMenus(QWidget* owner) {
  constexpr Item separator = {nullptr, nullptr, nullptr};
  MainMenus menus;
  menus.selection =
      BuildMenu(owner, "PopupMenuSelection",
                {{"acVerwijderen", "Selectie verwijderen", nullptr, &menus.remove_selection},
                 {"acAllesVerwijderen", "Alles verwijderen", nullptr, &menus.remove_all},
                 separator,
                 {"Afbeeldingroteren1", "Afbeelding roteren", "F5", &menus.rotate_selection},
                 {"Afbeeldingbewerken2", "Afbeelding bewerken", "F9", &menus.edit_selection},
                 separator,
                 {"Mapopenen1", "Map openen", nullptr, &menus.open_folder}});
  menus.results = BuildMenu(owner, "PopupMenuResults",
                            {{"Maplinkkopieeren1", "Map link kopieeren", nullptr, &menus.copy_folder_link},
                             {"Bestandsnaamwijzigen1", "Bestandsnaam wijzigen", "F2", &menus.rename_result},
                             separator,
                             {"Alleregelsaanvinken1", "Alle regels aanvinken", nullptr, &menus.check_all},
                             {"Alleregelsuitvinken1", "Alle regels uitvinken", nullptr, &menus.uncheck_all},
                             separator,
                             {"Emailinstellingen1", "Email gegevens instellen", nullptr, &menus.email_settings},
                             {"FTPgegevensinstellen", "FTP gegevens instellen", nullptr, &menus.ftp_settings},
                             separator,
                             {"Roteren90graden", "Afbeelding roteren", "F5", &menus.rotate_result},
                             {"Afbeeldingbewerken1", "Afbeelding bewerken", "F9", &menus.edit_result},
                             separator,
                             {"Fotosexporteren1", "Foto's exporteren...", nullptr, &menus.export_photos},
                             {"Mapopenen2", "Map openen", nullptr, &menus.open_folder_field}});
  menus.browser = BuildMenu(owner, "PopupMenuBrowser",
                            {{"Toevoegen1", "Toevoegen", nullptr, &menus.add_selected},
                             {"Allestoevoegen1", "Alles toevoegen", nullptr, &menus.add_all}});
  return menus;
}

}  // namespace fotoloom
