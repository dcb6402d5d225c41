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
                 {"Afbeeldingroteren1", "Afbeelding roteren", "F5"},
                 {"Afbeeldingbewerken2", "Afbeelding bewerken", "F9"},
                 separator,
                 {"Mapopenen1", "Map openen", nullptr, &menus.open_folder}});
  menus.results = BuildMenu(owner, "PopupMenuResults",
                            {{"Maplinkkopieeren1", "Map link kopieeren", nullptr},
                             {"Bestandsnaamwijzigen1", "Bestandsnaam wijzigen", "F2"},
                             separator,
                             {"Alleregelsaanvinken1", "Alle regels aanvinken", nullptr},
                             {"Alleregelsuitvinken1", "Alle regels uitvinken", nullptr},
                             separator,
                             {"Emailinstellingen1", "Email gegevens instellen", nullptr},
                             {"FTPgegevensinstellen", "FTP gegevens instellen", nullptr},
                             separator,
                             {"Roteren90graden", "Afbeelding roteren", "F5"},
                             {"Afbeeldingbewerken1", "Afbeelding bewerken", "F9"},
                             separator,
                             {"Fotosexporteren1", "Foto's exporteren...", nullptr, &menus.export_photos},
                             {"Mapopenen2", "Map openen", nullptr}});
  menus.browser = BuildMenu(owner, "PopupMenuBrowser",
                            {{"Toevoegen1", "Toevoegen", nullptr, &menus.add_selected},
                             {"Allestoevoegen1", "Alles toevoegen", nullptr, &menus.add_all}});
  return menus;
}

}  // namespace fotoloom
