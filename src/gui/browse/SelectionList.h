#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <string>
#include <vector>

#include "core/lists/ListEntry.h"
#include "core/lists/ListedFiles.h"
#include "core/settings/Settings.h"
#include "gui/common/BackgroundWork.h"

class QAbstractButton;
class QAction;
class QLabel;
class QProgressBar;
class QTabWidget;
class QTreeView;
class QWidget;

namespace fotoloom {

class TPhotoListModel;
class TThumbnailBrowser;

// The selection list of step 1 (`ListView1`): its entries, the count in the status bar, the
// remove commands and the photos and folders dropped onto it. Folders are scanned off the
// window's thread; their photos come in batches while the window stays usable.
class TSelectionList : public QObject {
  Q_OBJECT

 public:
  struct TWidgets {
    QTreeView* list;              // ListView1
    TPhotoListModel* entries;     // the list's entries
    QLabel* status;               // the one panel of StatusBar1
    QWidget* preview_panel;       // Panel10
    QLabel* preview;              // Image321
    QProgressBar* progress;       // ProgressBar1 of the bottom bar
    QTabWidget* steps;            // PageControl1
    QWidget* step2;               // TabSheet2
    QAbstractButton* remove;      // btnDelete
    QAbstractButton* remove_all;  // btnDeleteAll
    QAction* remove_item;         // the list's menu: "Selectie verwijderen"
    QAction* remove_all_item;     // "Alles verwijderen"
    QAction* open_folder_item;    // "Map openen"
    TThumbnailBrowser* browser;   // VirtualEel1
    QAbstractButton* add;         // btnAdd
    QAbstractButton* add_all;     // btnAddAll
    QAction* add_item;            // the browser's menu: "Toevoegen"
    QAction* add_all_item;        // "Alles toevoegen"
    const TSettings* settings;    // "Photodelay": how long a selection must stay for its preview
  };

  explicit TSelectionList(const TWidgets& widgets);
  // An add still running stops after the folder it is scanning and is waited for.
  ~TSelectionList() override;

  const std::vector<TListEntry>& Entries() const;
  // True while an add runs; drops are refused and the preview is not loaded meanwhile.
  bool Busy() const { return m_busy; }

  // Adds files and folders as dropping them onto the list does; false, adding nothing,
  // while an add runs.
  bool AddPaths(const QStringList& paths);
  // "Toevoegen" and "Alles toevoegen": the browser's selected items, or all of them, as a
  // drop of them would add them.
  void AddFromBrowser();
  void AddAllFromBrowser();
  // While held, the preview is left to the command that shows its own photos in it (the
  // rotation): no load starts and one still running is dropped. Released, the preview keeps
  // that command's last picture unless the selection changed meanwhile.
  void HoldPreview(bool held);
  // "Selectie verwijderen" and "Alles verwijderen".
  void RemoveSelection();
  void RemoveAll();

 signals:
  // An add has ended and the window shows its result.
  void AddFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddOnWorker(const TBackgroundWork::TJob& job, const std::vector<std::string>& paths,
                   TListedFiles listed, const std::string& decimal_separator);
  void AppendFound(const std::vector<TListEntry>& photos, bool from_scan);
  void EndAdd();
  void SelectionChanged();
  // `Timer1`: loads the preview of the first selected entry once the selection has stayed.
  void PreviewTick();
  void OpenFolder();
  // The entry of the first selected row, or null.
  const TListEntry* FirstSelected() const;
  void UpdateStatus();
  void HideStepTwo();

  TWidgets m_widgets;
  bool m_busy = false;
  QTimer m_preview_timer{this};
  // Counts selection changes; the load in flight belongs to the one it was started for.
  int m_selection_changes = 0;
  int m_loading_for = -1;
  bool m_preview_held = false;
  int m_changes_at_hold = 0;
  // Last: an add still running is cancelled and waited for before the rest goes.
  TBackgroundWork m_adder{this};
};

}  // namespace fotoloom
