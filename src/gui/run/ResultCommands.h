#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAbstractButton;
class QAction;
class QTreeView;
class QWidget;

namespace fotoloom {

class TPhotoListModel;

// The commands of the result list (`ListView3`) that work on the list and its folders:
// copying the folder field's text, renaming the selected photo in its folder, checking or
// unchecking every entry, and opening the folder field's text or the target folder with
// the desktop's handler.
class TResultCommands : public QObject {
  Q_OBJECT

 public:
  struct TWidgets {
    QWidget* window;                         // parent of the prompt and the messages
    QTreeView* results;                      // ListView3
    TPhotoListModel* entries;                // its entries
    QAbstractButton* open_target;            // btnMapOpenen
    QAction* copy_folder_link;               // "Map link kopieeren"
    QAction* rename;                         // "Bestandsnaam wijzigen"
    QAction* check_all;                      // "Alle regels aanvinken"
    QAction* uncheck_all;                    // "Alle regels uitvinken"
    QAction* open_folder_field;              // "Map openen"
    std::function<QString()> folder_field;   // the text of step 2's folder field
    std::function<QString()> target_folder;  // the folder the last run wrote into
  };

  explicit TResultCommands(const TWidgets& widgets);

  void Maplinkkopieeren1Click();
  void Bestandsnaamwijzigen1Click();
  void Alleregelsaanvinken1Click();
  void Alleregelsuitvinken1Click();
  void Mapopenen2Click();
  void btnMapOpenenClick();

 private:
  void RenameSelected();

  TWidgets m_widgets;
};

}  // namespace fotoloom
