#include "gui/window/TFormMain.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>

#include "gui/browse/FolderTree.h"
#include "gui/browse/PlacesList.h"
#include "gui/browse/SelectionList.h"
#include "gui/browse/SelectionRotation.h"
#include "gui/browse/ThumbnailBrowser.h"
#include "gui/common/Artwork.h"
#include "gui/common/CommandRow.h"
#include "gui/common/DoubleClicks.h"
#include "gui/common/FormHeader.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/ListGestures.h"
#include "gui/common/PhotoListModel.h"
#include "gui/common/PreviewLoader.h"
#include "gui/common/WidgetHelpers.h"
#include "gui/common/WindowPlacement.h"
#include "gui/edit/TFormImage.h"
#include "gui/publish/TFormExport.h"
#include "gui/publish/TFormInstellingen.h"
#include "gui/run/ResultCommands.h"
#include "gui/run/ResultPreview.h"
#include "gui/run/ResultRotation.h"
#include "gui/run/RunController.h"
#include "gui/run/TFormProgress.h"
#include "gui/step2/SizeProfilePanel.h"
#include "gui/step2/Step2Panel.h"
#include "gui/step2/Wizard.h"
#include "gui/window/CommandLineFiles.h"
#include "gui/window/CustomMode.h"
#include "gui/window/MailCommand.h"
#include "gui/window/SideStrip.h"
#include "gui/window/SingleInstance.h"
#include "gui/window/UploadCommand.h"

namespace fotoloom {
namespace {

QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent) {
  return Named(new QPushButton(caption, parent), name);
}

QToolButton* NewFlatButton(const char* name, Glyph glyph, const QString& hint, QWidget* parent) {
  auto* button = Named(new QToolButton(parent), name);
  button->setIcon(GlyphIcon(glyph));
  button->setToolTip(hint);
  button->setAutoRaise(true);
  return button;
}

// A command of the row above the selection list.
QToolButton* NewCommand(const char* name, Glyph glyph, const QString& caption,
                        TCommandRow* row) {
  auto* button = Named(new QToolButton(row), name);
  button->setIcon(GlyphIcon(glyph));
  button->setText(caption);
  row->AddButton(button);
  return button;
}

}  // namespace

TFormMain::TFormMain(const QString& data_folder, const QStringList& arguments, QWidget* parent)
    : QWidget(parent),
      m_data_folder(data_folder),
      m_arguments(arguments),
      m_menus(BuildMainMenus(this)),
      m_settings_file(QDir(data_folder).filePath(QStringLiteral("fotoloom.crp")).toStdString()) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(MainWindowCaption(false));
  // Without the folder the settings cannot be saved later; that is not reported here.
  QDir().mkpath(m_data_folder);

  m_pages = Named(new QStackedWidget(this), "Notebook1");
  m_pages->addWidget(BuildStepsPage());
  m_pages->addWidget(BuildResultPage());

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(new FormHeader(this));
  column->addWidget(m_pages, 1);
  column->addWidget(BuildBottomBar());

  // Step 2 and the wizard that leads through the steps.
  m_step2 = new TStep2Panel(m_settings_file, m_settings, m_step2_tab);
  auto* step2_fill = new QVBoxLayout(m_step2_tab);
  step2_fill->setContentsMargins(0, 0, 0, 0);
  step2_fill->addWidget(m_step2);
  m_wizard = new TWizard(
      {.window = this,
       .Notebook1 = m_pages,
       .PageControl1 = m_step_tabs,
       .TabSheet1 = m_step1_tab,
       .TabSheet2 = m_step2_tab,
       .btnNext = m_next_button,
       .selection = m_selection_entries,
       .results = m_result_entries,
       .step2 = m_step2,
       .settings = &m_settings,
       .set_busy = [this](bool busy) { SetBusy(busy); },
       .set_result_commands_enabled = [this](bool enabled) { SetResultCommandsEnabled(enabled); },
       .save_settings = [this] { SaveSettings(); }});
  m_wizard->SetStartRun([this] { StartConversionRun(m_step2->CollectRunSettings()); });

  AttachContextMenu(m_selection_view, m_menus.selection);
  AttachContextMenu(m_step1_preview, m_menus.selection);
  AttachContextMenu(m_step3_strip_picture, m_menus.selection);
  AttachContextMenu(m_result_view, m_menus.results);
  AttachContextMenu(m_step3_preview, m_menus.results);
  AttachContextMenu(m_options_button, m_menus.results);
  // "Opties >" is a menu button: a left click opens the same menu where the mouse is.
  connect(m_options_button, &QPushButton::clicked, m_menus.results,
          [menu = m_menus.results] { menu->popup(QCursor::pos()); });
  m_browser->SetContextMenu(m_menus.browser);
  for (QLabel* picture : {m_step1_preview, m_step3_strip_picture})
    connect(new TDoubleClicks(picture), &TDoubleClicks::DoubleClicked, this,
            &TFormMain::EditSelectedPhoto);
  connect(new TDoubleClicks(m_step3_preview), &TDoubleClicks::DoubleClicked, this,
          &TFormMain::EditResultPhoto);

  // The result list's own commands, and the keys and double clicks of both lists.
  new TResultCommands({.window = this,
                       .results = m_result_view,
                       .entries = m_result_entries,
                       .open_target = m_open_folder_button,
                       .copy_folder_link = m_menus.copy_folder_link,
                       .rename = m_menus.rename_result,
                       .check_all = m_menus.check_all,
                       .uncheck_all = m_menus.uncheck_all,
                       .open_folder_field = m_menus.open_folder_field,
                       .folder_field = [this] { return m_step2->ExportFolderField()->text(); },
                       .target_folder = [this] { return TargetFolder(); }});
  // The photo commands' keys act where the focus is: in a list or in its preview.
  GiveShortcuts({m_selection_view, m_step1_preview},
                {m_menus.rotate_selection, m_menus.edit_selection});
  GiveShortcuts({m_result_view, m_step3_preview},
                {m_menus.rename_result, m_menus.rotate_result, m_menus.edit_result});
  TriggerOnEntryDoubleClick(m_selection_view, m_menus.edit_selection);
  TriggerOnEntryDoubleClick(m_result_view, m_menus.edit_result);

  // Step 1's list and the conversion run.
  m_selection = std::make_unique<TSelectionList>(
      TSelectionList::TWidgets{.list = m_selection_view,
                               .entries = m_selection_entries,
                               .status = m_selection_count,
                               .preview_panel = m_step1_preview_panel,
                               .preview = m_step1_preview,
                               .progress = m_add_progress,
                               .steps = m_step_tabs,
                               .step2 = m_step2_tab,
                               .remove = m_remove_button,
                               .remove_all = m_remove_all_button,
                               .remove_item = m_menus.remove_selection,
                               .remove_all_item = m_menus.remove_all,
                               .open_folder_item = m_menus.open_folder,
                               .browser = m_browser,
                               .add = m_add_button,
                               .add_all = m_add_all_button,
                               .add_item = m_menus.add_selected,
                               .add_all_item = m_menus.add_all,
                               .settings = &m_settings});
  // Files that came while an add ran follow once the add has finished.
  connect(m_selection.get(), &TSelectionList::AddFinished, this, [this] { OpenFiles({}); },
          Qt::QueuedConnection);
  auto* result_preview = new TResultPreview(m_result_view, m_result_entries, m_step3_preview);
  m_run = std::make_unique<TRunController>(
      m_run_gate, TRunController::TWidgets{.window = this,
                                         .results = m_result_view,
                                         .result_entries = m_result_entries,
                                         .step1_preview = m_step1_preview,
                                         .next = m_next_button});
  connect(m_run.get(), &TRunController::BusyChanged, this, &TFormMain::SetBusy);
  connect(m_run.get(), &TRunController::FolderFieldCompleted, m_step2->ExportFolderField(),
          &QLineEdit::setText);
  connect(m_run.get(), &TRunController::TargetFolderChanged, this, &TFormMain::SetTargetFolder);
  connect(m_run.get(), &TRunController::RunEnded, this, &TFormMain::ShowRunEnd);
  connect(m_menus.export_photos, &QAction::triggered, this, &TFormMain::Fotosexporteren1Click);
  connect(m_menus.ftp_settings, &QAction::triggered, this, &TFormMain::FTPgegevensinstellenClick);
  connect(m_menus.email_settings, &QAction::triggered, this,
          &TFormMain::Emailinstellingen1Click);
  m_upload = std::make_unique<TUploadCommand>(
      m_upload_gate,
      TUploadCommand::TWidgets{
          .window = this,
          .results = m_result_entries,
          .upload = m_upload_button,
          .ftp_settings = m_menus.ftp_settings,
          .settings = &m_settings,
          .trust_folder = m_data_folder,
          .custom_mode = [this] { return m_custom_mode == QLatin1String(kCustomModeValue); },
          .set_busy = [this](bool busy) { SetBusy(busy); }});
  m_upload->SetAskGroup([this](TGroupValues& group) { return AskUploadGroup(group); });
  connect(m_upload.get(), &TUploadCommand::Finished, this, [this] {
    if (m_close_after_upload) QTimer::singleShot(0, this, &QWidget::close);
  });
  m_mail = std::make_unique<TMailCommand>(
      TMailCommand::TWidgets{.window = this,
                             .results = m_result_entries,
                             .mail = m_mail_button,
                             .settings = &m_settings,
                             .trust_folder = m_data_folder,
                             .set_busy = [this](bool busy) { SetBusy(busy); },
                             .save_settings = [this] { SaveSettings(); }});

  // Rotation from both lists.
  const auto set_busy = [this](bool busy) { SetBusy(busy); };
  m_selection_rotation = new TSelectionRotation(
      {.window = this,
       .list = m_selection_view,
       .entries = m_selection_entries,
       .preview = m_step1_preview,
       .set_busy = set_busy,
       .hold_preview = [this](bool held) { m_selection->HoldPreview(held); }});
  connect(m_menus.rotate_selection, &QAction::triggered, m_selection_rotation,
          &TSelectionRotation::Afbeeldingroteren1Click);
  connect(m_step1_rotate_button, &QToolButton::clicked, m_selection_rotation,
          &TSelectionRotation::Afbeeldingroteren1Click);
  m_result_rotation = new TResultRotation({.window = this,
                                           .list = m_result_view,
                                           .entries = m_result_entries,
                                           .preview = m_step3_preview,
                                           .set_busy = set_busy});
  connect(m_menus.rotate_result, &QAction::triggered, m_result_rotation,
          &TResultRotation::Roteren90gradenClick);
  connect(m_rotate_button, &QToolButton::clicked, m_result_rotation,
          &TResultRotation::Roteren90gradenClick);
  connect(m_result_rotation, &TResultRotation::Turned, result_preview,
          &TResultPreview::DrawSmoothly);

  // The photo editor, from both lists.
  m_editor = new TFormImage(m_settings_file, this);
  connect(this, &TFormMain::EditSelectedPhoto, this, &TFormMain::Afbeeldingbewerken2Click);
  connect(m_menus.edit_selection, &QAction::triggered, this, &TFormMain::Afbeeldingbewerken2Click);
  connect(m_step1_edit_button, &QToolButton::clicked, this, &TFormMain::Afbeeldingbewerken2Click);
  connect(this, &TFormMain::EditResultPhoto, this, &TFormMain::Afbeeldingbewerken1Click);
  connect(m_menus.edit_result, &QAction::triggered, this, &TFormMain::Afbeeldingbewerken1Click);
  connect(m_edit_button, &QToolButton::clicked, this, &TFormMain::Afbeeldingbewerken1Click);

  setMinimumSize(650, 480);
  resize(952, 665);
  CentreOnScreen(this);
}

TFormMain::~TFormMain() = default;

void TFormMain::StartConversionRun(const TRunSettings& settings) {
  TRunSettings run = settings;
  run.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  run.decimal_separator = QLocale().decimalPoint().toStdString();
  m_run->Start(m_selection->Entries(), run);
}

void TFormMain::ShowRunEnd(TRunEnd end) {
  switch (end) {
    case TRunEnd::Completed:
      SetResultCommandsEnabled(true);
      break;
    case TRunEnd::TargetFolderFailed:
      // Back to step 2, where the folder can be put right.
      m_pages->setCurrentIndex(0);
      m_step2->ExportFolderField()->setFocus();
      break;
    case TRunEnd::Cancelled:
      break;
  }
}

void TFormMain::Fotosexporteren1Click() {
  Guard(this, [this](bool busy) { SetBusy(busy); }, [this] {
    TFormExport window(*m_result_entries, this);
    window.exec();
  });
}

void TFormMain::Afbeeldingbewerken2Click() {
  EditListPhoto(m_selection_view, *m_selection_entries, m_step1_preview, Qt::SmoothTransformation);
}

void TFormMain::Afbeeldingbewerken1Click() {
  EditListPhoto(m_result_view, *m_result_entries, m_step3_preview, Qt::FastTransformation);
}

void TFormMain::EditListPhoto(const QTreeView* list, const TPhotoListModel& entries,
                              QLabel* preview, Qt::TransformationMode preview_mode) {
  const int row = FirstSelectedRow(list);
  if (row < 0) return;
  Guard(this, [this](bool busy) { SetBusy(busy); }, [&] {
    const std::string file = entries.Entry(row).File();
    if (m_editor->Edit(QString::fromStdString(file)) != QDialog::Accepted) return;
    LoadPreview(preview, file, preview_mode);
    // The saved file's size, where either list shows it.
    const std::vector<std::string> saved = {m_editor->SavedFile().toStdString()};
    m_selection_entries->RefreshSizes(saved);
    m_result_entries->RefreshSizes(saved);
  });
}

void TFormMain::FTPgegevensinstellenClick() {
  Guard(this, [this](bool busy) { SetBusy(busy); }, [this] {
    OpenSettingsDialog(TSettingsPage::Ftp, m_settings, [this] { SaveSettings(); }, this);
  });
}

void TFormMain::Emailinstellingen1Click() {
  Guard(this, [this](bool busy) { SetBusy(busy); }, [this] {
    OpenSettingsDialog(TSettingsPage::EmailSettings, m_settings, [this] { SaveSettings(); },
                       this);
  });
}

bool TFormMain::AskUploadGroup(TGroupValues& group) {
  TWebsiteGroup shown{.code = group.code,
                      .description = group.description,
                      .location = group.location,
                      .date = group.date,
                      .add_to_group = group.add_to_group};
  if (!OpenSettingsDialog(TSettingsPage::Website, m_settings, [this] { SaveSettings(); }, this,
                          &shown))
    return false;
  group = {.code = shown.code,
           .description = shown.description,
           .location = shown.location,
           .date = shown.date,
           .add_to_group = shown.add_to_group};
  return true;
}

void TFormMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_started) return;
  m_started = true;
  StartUp();
}

void TFormMain::StartUp() {
  // Each step reports its own failure and the start goes on: a window that shows is worth
  // more than one setting that could not be read.
  Guard(this, [&] { m_settings = LoadSettings(m_settings_file); });
  Guard(this, [&] { m_step2->Profiles().LoadProfiles(); });
  Guard(this, [&] { m_step2->ProposeDefaultExportFolder(); });
  if (HasCustomModeSwitch(m_arguments)) {
    m_custom_mode = QString::fromLatin1(kCustomModeValue);
    setWindowTitle(MainWindowCaption(true));
  }
  OpenFiles(CommandLineFiles(m_arguments, QDir::currentPath()));
  Guard(this, [&] { m_step2->LoadFromSettings(m_settings); });
  // The browser follows the tree.
  m_folder_tree->Start(QString::fromStdString(m_settings.Importmap));
  m_pages->setCurrentIndex(0);
  SetResultCommandsEnabled(false);
  m_step_tabs->setCurrentWidget(m_step1_tab);
  m_step_tabs->setTabVisible(m_step_tabs->indexOf(m_step2_tab), false);
}

void TFormMain::OpenFiles(const QStringList& paths) {
  m_waiting_files += paths;
  if (m_waiting_files.isEmpty() || !m_selection->AddPaths(m_waiting_files)) return;
  m_waiting_files.clear();
}

void TFormMain::ServeLaterStarts(TSingleInstance& instance) {
  connect(&instance, &TSingleInstance::FilesReceived, this, [this](const QStringList& paths) {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    OpenFiles(paths);
  });
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // An upload is asked to stop as its own stop button would, and the window closes once the
  // run has ended properly (the photo under way finished or removed, the session closed).
  if (m_upload->Running()) {
    event->ignore();
    Guard(this, [this] {
      TFormProgress* progress = m_upload->ProgressWindow();
      if (progress == nullptr) return;
      progress->show();
      progress->raise();
      if (progress->AskToStop()) m_close_after_upload = true;
    });
    return;
  }
  Guard(this, [&] { SaveSettings(); });
  QWidget::closeEvent(event);
}

void TFormMain::SetBusy(bool busy) {
  if (busy)
    ++m_busy_scopes;
  else if (m_busy_scopes > 0)
    --m_busy_scopes;
  const bool idle = m_busy_scopes == 0;
  for (QWidget* button :
       {m_next_button, m_open_folder_button, m_mail_button, m_options_button, m_upload_button})
    button->setEnabled(idle);
  for (QAction* command : {m_menus.rotate_selection, m_menus.edit_selection, m_menus.rename_result,
                           m_menus.rotate_result, m_menus.edit_result})
    command->setEnabled(idle);
}

void TFormMain::SaveSettings() {
  m_settings.Importmap = m_folder_tree->CurrentFolder().toStdString();
  fotoloom::SaveSettings(m_settings_file, m_settings);
}

void TFormMain::SetResultCommandsEnabled(bool enabled) {
  for (QWidget* command :
       std::initializer_list<QWidget*>{m_mail_button, m_open_folder_button, m_options_button,
                                       m_upload_button, m_rotate_button, m_edit_button})
    command->setEnabled(enabled);
}

// Page 1: the side strip and the tabs of steps 1 and 2.
QWidget* TFormMain::BuildStepsPage() {
  auto* page = new QWidget(this);
  m_step_tabs = Named(new QTabWidget(page), "PageControl1");
  m_step1_tab = Named(new QWidget(m_step_tabs), "TabSheet1");
  m_step2_tab = Named(new QWidget(m_step_tabs), "TabSheet2");
  m_step_tabs->addTab(m_step1_tab, QStringLiteral("Stap 1: Foto's selecteren"));
  m_step_tabs->addTab(m_step2_tab, QStringLiteral("Stap 2: Formaat instellen"));

  m_selection_view = Named(new QTreeView(m_step1_tab), "ListView1");
  m_selection_entries = new TPhotoListModel(TPhotoListModel::CheckBoxes::None, this);
  SetUpPhotoList(m_selection_view, m_selection_entries);
  auto* preview = Named(new QFrame(m_step1_tab), "Panel10");
  preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  m_step1_preview = Named(new QLabel(preview), "Image321");
  // 149 x 160 where the list has the room; in a low window it gives up height rather than
  // pushing the list or the browser away.
  m_step1_preview->setFixedWidth(149);
  m_step1_preview->setMinimumHeight(64);
  m_step1_preview->setMaximumHeight(160);
  m_step1_preview->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  auto* preview_column = new QVBoxLayout(preview);
  preview_column->setContentsMargins(1, 1, 1, 1);
  preview_column->addWidget(m_step1_preview, 1);
  preview_column->addStretch();
  // Shown once an entry of the selection list is selected. Its room is kept meanwhile, so
  // that the list does not move under the mouse when it appears.
  QSizePolicy keep_room = preview->sizePolicy();
  keep_room.setRetainSizeWhenHidden(true);
  preview->setSizePolicy(keep_room);
  preview->hide();
  m_step1_preview_panel = preview;
  m_step1_rotate_button = NewFlatButton("SpeedButton3", Glyph::Rotate,
                                        QStringLiteral("Afbeelding roteren"), m_step1_tab);
  m_step1_edit_button = NewFlatButton("SpeedButton4", Glyph::Edit,
                                      QStringLiteral("Afbeelding bewerken"), m_step1_tab);
  auto* list_row = new QHBoxLayout;
  list_row->addWidget(m_selection_view, 1);
  list_row->addWidget(m_step1_preview_panel);
  // The toolbar above the list, the one-panel status bar below it.
  auto* toolbar = Named(new TCommandRow(m_step1_tab), "ToolBar1");
  m_add_button = NewCommand("btnAdd", Glyph::Add, QStringLiteral("Toevoegen"), toolbar);
  m_add_all_button =
      NewCommand("btnAddAll", Glyph::AddAll, QStringLiteral("Alles toevoegen"), toolbar);
  m_remove_button =
      NewCommand("btnDelete", Glyph::Remove, QStringLiteral("Selectie verwijderen"), toolbar);
  m_remove_all_button =
      NewCommand("btnDeleteAll", Glyph::RemoveAll, QStringLiteral("Alles verwijderen"), toolbar);
  m_status_bar = Named(new QStatusBar(m_step1_tab), "StatusBar1");
  m_status_bar->setSizeGripEnabled(false);
  m_selection_count = new QLabel(m_status_bar);
  m_status_bar->addWidget(m_selection_count, 1);
  auto* list_area = new QWidget(m_step1_tab);
  auto* list_column = new QVBoxLayout(list_area);
  list_column->setContentsMargins(0, 0, 0, 0);
  // The photo commands sit at the toolbar's right end, above the preview: the list's half
  // keeps its height for the preview.
  auto* toolbar_row = new QHBoxLayout;
  toolbar_row->addWidget(toolbar, 1);
  toolbar_row->addWidget(m_step1_rotate_button);
  toolbar_row->addWidget(m_step1_edit_button);
  list_column->addLayout(toolbar_row);
  list_column->addLayout(list_row, 1);
  list_column->addWidget(m_status_bar);
  auto* halves = Named(new QSplitter(Qt::Vertical, m_step1_tab), "Splitter1");
  halves->setChildrenCollapsible(false);
  halves->addWidget(BuildBrowserArea(halves));
  halves->addWidget(list_area);
  // Even halves: the list's half then has room for the whole preview.
  halves->setStretchFactor(0, 1);
  halves->setStretchFactor(1, 1);
  auto* step1 = new QVBoxLayout(m_step1_tab);
  step1->addWidget(halves);

  auto* tabs_area = new QVBoxLayout;
  tabs_area->setContentsMargins(10, 10, 10, 10);
  tabs_area->setSpacing(6);
  tabs_area->addWidget(m_step_tabs);
  m_steps_strip_picture = SideStrip::PlaceBeside(page, QStringLiteral("Image324"), tabs_area);
  return page;
}

QWidget* TFormMain::BuildBrowserArea(QWidget* parent) {
  auto* area = new QWidget(parent);
  auto* header = new QLabel(QStringLiteral("    Selecteer hieronder de foto's die u wilt aanpassen "
                                           "door de foto's te verslepen of via "
                                           "toevoegen."),
                            area);
  // A narrow window cuts the line off rather than being held wide by it.
  header->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  m_details_button = Named(new QToolButton(area), "btnDetails");
  m_details_button->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  m_details_button->setToolTip(QStringLiteral("Lijst overzicht"));
  m_thumbnails_button = Named(new QToolButton(area), "btnView");
  m_thumbnails_button->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  m_thumbnails_button->setToolTip(QStringLiteral("Thumbnail overzicht"));
  auto* header_row = new QHBoxLayout;
  header_row->addWidget(header, 1);
  header_row->addWidget(m_details_button);
  header_row->addWidget(m_thumbnails_button);

  // The places where photos live above the tree, which shows the one chosen.
  auto* folders = new QWidget(area);
  auto* places = new TPlacesList(RemovableDriveRoots(), folders);
  m_folder_tree = new TFolderTree(folders);
  m_folder_tree->SetPlaces(places->Places());
  connect(places, &TPlacesList::PlacesChanged, m_folder_tree, &TFolderTree::SetPlaces);
  connect(places, &TPlacesList::PlaceChosen, m_folder_tree, &TFolderTree::ShowPlace);
  connect(m_folder_tree, &TFolderTree::PlaceShown, places, &TPlacesList::MarkShown);
  auto* folders_column = new QVBoxLayout(folders);
  folders_column->setContentsMargins(0, 0, 0, 0);
  folders_column->addWidget(places);
  folders_column->addWidget(m_folder_tree, 1);
  m_browser = new TThumbnailBrowser(area);
  connect(m_folder_tree, &TFolderTree::CurrentFolderChanged, m_browser,
          &TThumbnailBrowser::SetFolder);
  connect(m_browser, &TThumbnailBrowser::FolderOpened, m_folder_tree,
          &TFolderTree::SetCurrentFolder);
  connect(m_thumbnails_button, &QToolButton::clicked, m_browser,
          &TThumbnailBrowser::ShowThumbnails);
  connect(m_details_button, &QToolButton::clicked, m_browser, &TThumbnailBrowser::ShowDetails);
  auto* panes = new QSplitter(Qt::Horizontal, area);
  panes->setChildrenCollapsible(false);
  panes->addWidget(folders);
  panes->addWidget(m_browser);
  panes->setStretchFactor(1, 1);
  panes->setSizes({200, 500});

  auto* column = new QVBoxLayout(area);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(header_row);
  column->addWidget(panes, 1);
  return area;
}

// Page 2: the side strip, the result list with its preview and the step-3 commands.
QWidget* TFormMain::BuildResultPage() {
  auto* page = new QWidget(this);
  auto* title =
      Named(new QLabel(QStringLiteral("Stap 3: Overzicht aangepaste foto's"), page), "lblStep3");
  QFont title_font = title->font();
  title_font.setBold(true);
  title->setFont(title_font);

  m_result_view = Named(new QTreeView(page), "ListView3");
  m_result_entries = new TPhotoListModel(TPhotoListModel::CheckBoxes::Shown, this);
  SetUpPhotoList(m_result_view, m_result_entries);
  m_result_view->setToolTip(
      QStringLiteral("In het rechterscherm kunt u de foto's bewerken of uploaden!"));

  auto* frame = Named(new QFrame(page), "panelImage322");
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame->setFixedSize(169, 177);
  m_step3_preview = Named(new QLabel(frame), "Image322");
  m_step3_preview->setFixedSize(167, 175);
  auto* frame_fill = new QVBoxLayout(frame);
  frame_fill->setContentsMargins(1, 1, 1, 1);
  frame_fill->addWidget(m_step3_preview);
  m_rotate_button =
      NewFlatButton("SpeedButton8", Glyph::Rotate, QStringLiteral("Afbeelding roteren"), page);
  m_edit_button =
      NewFlatButton("SpeedButton9", Glyph::Edit, QStringLiteral("Afbeelding bewerken"), page);
  auto* flat_buttons = new QHBoxLayout;
  flat_buttons->addWidget(m_rotate_button);
  flat_buttons->addWidget(m_edit_button);
  flat_buttons->addStretch();
  auto* preview_column = new QVBoxLayout;
  preview_column->addWidget(frame);
  preview_column->addLayout(flat_buttons);
  preview_column->addStretch();
  auto* list_row = new QHBoxLayout;
  list_row->addWidget(m_result_view, 1);
  list_row->addLayout(preview_column);

  m_open_folder_button = NewButton("btnMapOpenen", QStringLiteral("Map openen "), page);
  m_open_folder_button->setIcon(GlyphIcon(Glyph::OpenFolder));
  m_options_button = NewButton("btnExtra", QStringLiteral("Opties >"), page);
  m_upload_button = NewButton("btnUploaden", QStringLiteral("Foto's uploaden "), page);
  m_upload_button->setIcon(GlyphIcon(Glyph::Upload));
  m_mail_button = NewButton("btnMailen", QStringLiteral("Foto's mailen "), page);
  m_mail_button->setIcon(GlyphIcon(Glyph::Mail));
  auto* commands = new QHBoxLayout;
  commands->addWidget(m_open_folder_button);
  commands->addWidget(m_options_button);
  commands->addStretch();
  commands->addWidget(m_upload_button);
  commands->addWidget(m_mail_button);

  // Nested layouts take their spacing from here, not from the strip's row without any.
  auto* content = new QVBoxLayout;
  content->setContentsMargins(10, 10, 10, 10);
  content->setSpacing(6);
  content->addWidget(title);
  content->addLayout(list_row, 1);
  content->addLayout(commands);
  m_step3_strip_picture = SideStrip::PlaceBeside(page, QStringLiteral("Image323"), content);
  return page;
}

// The bar along the bottom: the progress of adding folders at the left, `btnNext` at the right.
QWidget* TFormMain::BuildBottomBar() {
  auto* bar = new QWidget(this);
  bar->setFixedHeight(43);
  m_add_progress = Named(new QProgressBar(bar), "ProgressBar1");
  m_add_progress->setRange(0, 500);
  m_add_progress->setTextVisible(false);
  m_add_progress->setMaximumWidth(300);
  m_add_progress->hide();
  m_next_button = NewButton("btnNext", QStringLiteral("Ga verder "), bar);
  m_next_button->setIcon(GlyphIcon(Glyph::Next));
  // At least its usual size; "Opnieuw beginnen" and large fonts make it wider.
  m_next_button->setMinimumWidth(129);
  m_next_button->setFixedHeight(25);
  // Right to left puts the arrow behind the text.
  m_next_button->setLayoutDirection(Qt::RightToLeft);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(10, 0, 10, 0);
  row->addWidget(m_add_progress, 1);
  row->addStretch();
  row->addWidget(m_next_button);
  return bar;
}

}  // namespace fotoloom
