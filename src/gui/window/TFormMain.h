#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <memory>

#include "core/convert/ConversionRun.h"
#include "core/convert/RunGate.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "gui/window/MainMenus.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QTreeView;

namespace fotoloom {

class TFolderTree;
class TFormImage;
class TPhotoListModel;
class TStep2Panel;
class TThumbnailBrowser;
class TResultRotation;
class TRunController;
class TMailCommand;
class TUploadCommand;
struct TGroupValues;
class TSelectionList;
class TSelectionRotation;
class TSingleInstance;
class TWizard;

// The main window: the wizard of steps 1 and 2 on the first page of `Notebook1`, the result
// list of step 3 on the second, `btnNext` at the bottom right. Closing it ends the program.
class TFormMain : public QWidget {
  Q_OBJECT

 public:
  // `data_folder` holds the settings file and is created when missing; `arguments` is the
  // command line without the program's own name.
  TFormMain(const QString& data_folder, const QStringList& arguments, QWidget* parent = nullptr);
  ~TFormMain() override;

  const QString& DataFolder() const { return m_data_folder; }
  const QStringList& Arguments() const { return m_arguments; }

  // One busy state for every operation: SetBusy(true) opens a busy scope, SetBusy(false)
  // closes one. While any scope is open the buttons that start an operation and the
  // commands that change a photo (with their shortcuts) are disabled; so a settings dialog
  // closed during an upload does not re-enable them. A close without an open scope only
  // brings the buttons back.
  void SetBusy(bool busy);
  bool Busy() const { return m_busy_scopes > 0; }
  // Enables or disables the six commands of step 3.
  void SetResultCommandsEnabled(bool enabled);

  // The conversion run: converts the photos of the selection list with the step-2 values.
  void StartConversionRun(const TRunSettings& settings);
  TRunController& ConversionRun() { return *m_run; }
  // "Foto's uploaden ": the upload of the result list.
  TUploadCommand& Upload() { return *m_upload; }
  TMailCommand& Mail() { return *m_mail; }
  TSelectionList& SelectionList() { return *m_selection; }
  // The folder the last run wrote into; it always ends in a separator once a run set it.
  // It is the setting "Exportmap", so it starts from the settings file and is saved there.
  QString TargetFolder() const { return QString::fromStdString(m_settings.Exportmap); }
  void SetTargetFolder(const QString& folder) { m_settings.Exportmap = folder.toStdString(); }
  // Held and cancelled by the stop button of the progress window; every photo of a run
  // passes it before it starts.
  TRunGate& RunGate() { return m_run_gate; }

  // The settings record and the settings file ("fotoloom.crp" in the data folder), which
  // also holds the size profiles.
  TSettings& Settings() { return m_settings; }
  TIniFile& SettingsFile() { return m_settings_file; }
  // Takes the folder of the step-1 folder tree into the record and writes the record to
  // the settings file.
  void SaveSettings();
  TStep2Panel& Step2() const { return *m_step2; }
  TWizard& Wizard() const { return *m_wizard; }
  // "KESTROVA" when the program was started with the custom-mode switch, else empty.
  const QString& CustomMode() const { return m_custom_mode; }

  // Files and folders from outside (the command line, a later start): into the selection
  // list as a drop puts them, folders through the folder question. While an add runs they
  // wait for its end.
  void OpenFiles(const QStringList& paths);
  // Takes the files of later starts and comes to the front for them.
  void ServeLaterStarts(TSingleInstance& instance);

 signals:
  // A double click on the picture of a selection-list photo (`Image321`, `Image323`) or of
  // the result photo (`Image322`): the photo editor opens on that photo.
  void EditSelectedPhoto();
  void EditResultPhoto();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The steps of the first showing: settings, profiles, export folder, custom mode, step 1.
  void StartUp();
  // What the window does itself at the end of a run: the step-3 commands after a completed
  // one, the folder field after a target folder that could not be made.
  void ShowRunEnd(TRunEnd end);
  // "Foto's exporteren...": the export list of the result list, modal, with the busy state.
  void Fotosexporteren1Click();
  // "Afbeelding bewerken" of the selection list and of the result list: the photo editor on
  // the list's selected photo, the list's preview reloaded when it closes with OK.
  void Afbeeldingbewerken2Click();
  void Afbeeldingbewerken1Click();
  void EditListPhoto(const QTreeView* list, const TPhotoListModel& entries, QLabel* preview,
                     Qt::TransformationMode preview_mode);
  // "FTP gegevens instellen" and "Email gegevens instellen": the settings dialog on its FTP or
  // e-mail settings page, modal, with the busy state around it.
  void FTPgegevensinstellenClick();
  void Emailinstellingen1Click();
  // The group of a custom-mode upload, on the settings dialog's website page.
  bool AskUploadGroup(TGroupValues& group);
  QWidget* BuildStepsPage();
  // Step 1's upper half: the header line with the view buttons, the folder tree and the
  // thumbnail browser.
  QWidget* BuildBrowserArea(QWidget* parent);
  QWidget* BuildResultPage();
  QWidget* BuildBottomBar();

  QString m_data_folder;
  QStringList m_arguments;
  QString m_custom_mode;
  QStringList m_waiting_files;  // for the end of the add that runs
  bool m_started = false;
  MainMenus m_menus;
  int m_busy_scopes = 0;
  bool m_close_after_upload = false;  // the user closed the window during an upload
  TIniFile m_settings_file;
  TSettings m_settings;

  // The controls, each with its object name.
  QStackedWidget* m_pages = nullptr;      // Notebook1
  QTabWidget* m_step_tabs = nullptr;      // PageControl1
  QWidget* m_step1_tab = nullptr;         // TabSheet1
  QWidget* m_step2_tab = nullptr;         // TabSheet2
  QTreeView* m_selection_view = nullptr;  // ListView1
  TPhotoListModel* m_selection_entries = nullptr;
  QWidget* m_step1_preview_panel = nullptr;  // Panel10
  QLabel* m_step1_preview = nullptr;         // Image321
  QToolButton* m_step1_rotate_button = nullptr;  // SpeedButton3
  QToolButton* m_step1_edit_button = nullptr;    // SpeedButton4
  QLabel* m_step3_strip_picture = nullptr;   // Image323
  QLabel* m_steps_strip_picture = nullptr;   // Image324
  QTreeView* m_result_view = nullptr;        // ListView3
  TPhotoListModel* m_result_entries = nullptr;
  QLabel* m_step3_preview = nullptr;            // Image322
  QToolButton* m_rotate_button = nullptr;       // SpeedButton8
  QToolButton* m_edit_button = nullptr;         // SpeedButton9
  QPushButton* m_open_folder_button = nullptr;  // btnMapOpenen
  QPushButton* m_options_button = nullptr;      // btnExtra
  QPushButton* m_upload_button = nullptr;       // btnUploaden
  QPushButton* m_mail_button = nullptr;         // btnMailen
  QPushButton* m_next_button = nullptr;         // btnNext
  QProgressBar* m_add_progress = nullptr;       // ProgressBar1
  TFolderTree* m_folder_tree = nullptr;         // VirtualExplorerTree1
  TThumbnailBrowser* m_browser = nullptr;       // VirtualEel1
  QToolButton* m_details_button = nullptr;      // btnDetails
  QToolButton* m_thumbnails_button = nullptr;   // btnView
  QToolButton* m_add_button = nullptr;          // btnAdd
  QToolButton* m_add_all_button = nullptr;      // btnAddAll
  QToolButton* m_remove_button = nullptr;       // btnDelete
  QToolButton* m_remove_all_button = nullptr;   // btnDeleteAll
  QStatusBar* m_status_bar = nullptr;           // StatusBar1
  QLabel* m_selection_count = nullptr;          // the status bar's one panel
  TStep2Panel* m_step2 = nullptr;
  TWizard* m_wizard = nullptr;
  TFormImage* m_editor = nullptr;  // FormImage, made once and opened for every photo

  // Last, so that the run and the add stop their threads while the rest still stands.
  TRunGate m_run_gate;     // the conversion's
  TRunGate m_upload_gate;  // the upload's: a stop of one run never cancels the other
  std::unique_ptr<TSelectionList> m_selection;
  std::unique_ptr<TRunController> m_run;
  TSelectionRotation* m_selection_rotation = nullptr;
  TResultRotation* m_result_rotation = nullptr;
  std::unique_ptr<TUploadCommand> m_upload;
  std::unique_ptr<TMailCommand> m_mail;
};

}  // namespace fotoloom
