#include "gui/window/TFormMain.h"

#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>

#include "gui/common/Artwork.h"
#include "gui/common/CommandRow.h"
#include "gui/window/CustomMode.h"
#include "gui/common/DoubleClicks.h"
#include "gui/browse/FolderTree.h"
#include "gui/browse/PlacesList.h"
#include "gui/common/FormHeader.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/PhotoList.h"
#include "gui/run/ResultPreview.h"
#include "gui/run/RunController.h"
#include "gui/browse/SelectionList.h"
#include "gui/window/SideStrip.h"
#include "gui/step2/SizeProfilePanel.h"
#include "gui/step2/Step2Panel.h"
#include "gui/browse/ThumbnailBrowser.h"
#include "gui/common/WidgetHelpers.h"
#include "gui/common/WindowPlacement.h"
#include "gui/step2/Wizard.h"

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

  Notebook1 = Named(new QStackedWidget(this), "Notebook1");
  Notebook1->addWidget(BuildStepsPage());
  Notebook1->addWidget(BuildResultPage());

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(new FormHeader(this));
  column->addWidget(Notebook1, 1);
  column->addWidget(BuildBottomBar());

  // Step 2 and the wizard that leads through the steps.
  m_step2 = new TStep2Panel(m_settings_file, m_settings, TabSheet2);
  auto* step2_fill = new QVBoxLayout(TabSheet2);
  step2_fill->setContentsMargins(0, 0, 0, 0);
  step2_fill->addWidget(m_step2);
  m_wizard = new TWizard(
      {.window = this,
       .Notebook1 = Notebook1,
       .PageControl1 = PageControl1,
       .TabSheet1 = TabSheet1,
       .TabSheet2 = TabSheet2,
       .btnNext = btnNext,
       .ListView1 = ListView1,
       .ListView3 = ListView3,
       .step2 = m_step2,
       .settings = &m_settings,
       .set_busy = [this](bool busy) { SetBusy(busy); },
       .set_result_commands_enabled = [this](bool enabled) { SetResultCommandsEnabled(enabled); },
       .save_settings = [this] { SaveSettings(); }});
  m_wizard->SetStartRun([this] { StartConversionRun(m_step2->CollectRunSettings()); });

  AttachContextMenu(ListView1, m_menus.selection);
  AttachContextMenu(Image321, m_menus.selection);
  AttachContextMenu(Image323, m_menus.selection);
  AttachContextMenu(ListView3, m_menus.results);
  AttachContextMenu(Image322, m_menus.results);
  AttachContextMenu(btnExtra, m_menus.results);
  VirtualEel1->SetContextMenu(m_menus.browser);
  for (QLabel* picture : {Image321, Image323})
    connect(new TDoubleClicks(picture), &TDoubleClicks::DoubleClicked, this,
            &TFormMain::EditSelectedPhoto);
  connect(new TDoubleClicks(Image322), &TDoubleClicks::DoubleClicked, this,
          &TFormMain::EditResultPhoto);

  // Step 1's list and the conversion run.
  m_selection = std::make_unique<TSelectionList>(
      TSelectionList::TWidgets{.list = ListView1,
                               .status = StatusBar1->findChild<QLabel*>(),
                               .preview_panel = Panel10,
                               .preview = Image321,
                               .progress = ProgressBar1,
                               .steps = PageControl1,
                               .step2 = TabSheet2,
                               .remove = btnDelete,
                               .remove_all = btnDeleteAll,
                               .menu = m_menus.selection,
                               .browser = VirtualEel1,
                               .add = btnAdd,
                               .add_all = btnAddAll,
                               .browser_menu = m_menus.browser,
                               .settings = &m_settings});
  new TResultPreview(ListView3, Image322, [this] { return TargetFolder(); });
  m_run =
      std::make_unique<TRunController>(*this, TRunController::TWidgets{.pages = Notebook1,
                                                                       .results = ListView3,
                                                                       .step1_preview = Image321,
                                                                       .step3_preview = Image322,
                                                                       .next = btnNext});

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
  Guard(this, [&] { m_step2->LoadFromSettings(m_settings); });
  // The browser follows the tree.
  VirtualExplorerTree1->Start(QString::fromStdString(m_settings.Importmap));
  Notebook1->setCurrentIndex(0);
  SetResultCommandsEnabled(false);
  PageControl1->setCurrentWidget(TabSheet1);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), false);
}

void TFormMain::closeEvent(QCloseEvent* event) {
  m_settings.Importmap = VirtualExplorerTree1->CurrentFolder().toStdString();
  Guard(this, [&] { SaveSettings(); });
  QWidget::closeEvent(event);
}

void TFormMain::SetBusy(bool busy) {
  for (QWidget* button : {btnNext, btnMapOpenen, btnMailen, btnExtra, btnUploaden})
    button->setEnabled(!busy);
}

void TFormMain::SaveSettings() {
  fotoloom::SaveSettings(m_settings_file, m_settings);
}

void TFormMain::SetResultCommandsEnabled(bool enabled) {
  for (QWidget* command : std::initializer_list<QWidget*>{btnMailen, btnMapOpenen, btnExtra,
                                                          btnUploaden, SpeedButton8, SpeedButton9})
    command->setEnabled(enabled);
}

// Page 1: the side strip and the tabs of steps 1 and 2.
QWidget* TFormMain::BuildStepsPage() {
  auto* page = new QWidget(this);
  PageControl1 = Named(new QTabWidget(page), "PageControl1");
  TabSheet1 = Named(new QWidget(PageControl1), "TabSheet1");
  TabSheet2 = Named(new QWidget(PageControl1), "TabSheet2");
  PageControl1->addTab(TabSheet1, QStringLiteral("Stap 1: Foto's selecteren"));
  PageControl1->addTab(TabSheet2, QStringLiteral("Stap 2: Formaat instellen"));

  ListView1 = Named(new QTreeWidget(TabSheet1), "ListView1");
  SetUpPhotoList(ListView1, StoredNameColumn::Hidden);
  auto* preview = Named(new QFrame(TabSheet1), "Panel10");
  preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Image321 = Named(new QLabel(preview), "Image321");
  // 149 x 160 where the list has the room; in a low window it gives up height rather than
  // pushing the list or the browser away.
  Image321->setFixedWidth(149);
  Image321->setMinimumHeight(64);
  Image321->setMaximumHeight(160);
  Image321->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  auto* preview_column = new QVBoxLayout(preview);
  preview_column->setContentsMargins(1, 1, 1, 1);
  preview_column->addWidget(Image321, 1);
  preview_column->addStretch();
  // Shown once an entry of the selection list is selected. Its room is kept meanwhile, so
  // that the list does not move under the mouse when it appears.
  QSizePolicy keep_room = preview->sizePolicy();
  keep_room.setRetainSizeWhenHidden(true);
  preview->setSizePolicy(keep_room);
  preview->hide();
  Panel10 = preview;
  auto* list_row = new QHBoxLayout;
  list_row->addWidget(ListView1, 1);
  list_row->addWidget(Panel10);
  // The toolbar above the list, the one-panel status bar below it.
  auto* toolbar = Named(new TCommandRow(TabSheet1), "ToolBar1");
  btnAdd = NewCommand("btnAdd", Glyph::Add, QStringLiteral("Toevoegen"), toolbar);
  btnAddAll = NewCommand("btnAddAll", Glyph::AddAll, QStringLiteral("Alles toevoegen"), toolbar);
  btnDelete =
      NewCommand("btnDelete", Glyph::Remove, QStringLiteral("Selectie verwijderen"), toolbar);
  btnDeleteAll =
      NewCommand("btnDeleteAll", Glyph::RemoveAll, QStringLiteral("Alles verwijderen"), toolbar);
  StatusBar1 = Named(new QStatusBar(TabSheet1), "StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->addWidget(new QLabel(StatusBar1), 1);
  auto* list_area = new QWidget(TabSheet1);
  auto* list_column = new QVBoxLayout(list_area);
  list_column->setContentsMargins(0, 0, 0, 0);
  list_column->addWidget(toolbar);
  list_column->addLayout(list_row, 1);
  list_column->addWidget(StatusBar1);
  auto* halves = Named(new QSplitter(Qt::Vertical, TabSheet1), "Splitter1");
  halves->setChildrenCollapsible(false);
  halves->addWidget(BuildBrowserArea(halves));
  halves->addWidget(list_area);
  // Even halves: the list's half then has room for the whole preview.
  halves->setStretchFactor(0, 1);
  halves->setStretchFactor(1, 1);
  auto* step1 = new QVBoxLayout(TabSheet1);
  step1->addWidget(halves);

  auto* tabs_area = new QVBoxLayout;
  tabs_area->setContentsMargins(10, 10, 10, 10);
  tabs_area->setSpacing(6);
  tabs_area->addWidget(PageControl1);
  Image324 = SideStrip::PlaceBeside(page, QStringLiteral("Image324"), tabs_area);
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
  btnDetails = Named(new QToolButton(area), "btnDetails");
  btnDetails->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  btnDetails->setToolTip(QStringLiteral("Lijst overzicht"));
  btnView = Named(new QToolButton(area), "btnView");
  btnView->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  btnView->setToolTip(QStringLiteral("Thumbnail overzicht"));
  auto* header_row = new QHBoxLayout;
  header_row->addWidget(header, 1);
  header_row->addWidget(btnDetails);
  header_row->addWidget(btnView);

  // The places where photos live above the tree, which shows the one chosen.
  auto* folders = new QWidget(area);
  auto* places = new TPlacesList(RemovableDriveRoots(), folders);
  VirtualExplorerTree1 = new TFolderTree(folders);
  VirtualExplorerTree1->SetPlaces(places->Places());
  connect(places, &TPlacesList::PlacesChanged, VirtualExplorerTree1, &TFolderTree::SetPlaces);
  connect(places, &TPlacesList::PlaceChosen, VirtualExplorerTree1, &TFolderTree::ShowPlace);
  connect(VirtualExplorerTree1, &TFolderTree::PlaceShown, places, &TPlacesList::MarkShown);
  auto* folders_column = new QVBoxLayout(folders);
  folders_column->setContentsMargins(0, 0, 0, 0);
  folders_column->addWidget(places);
  folders_column->addWidget(VirtualExplorerTree1, 1);
  VirtualEel1 = new TThumbnailBrowser(area);
  connect(VirtualExplorerTree1, &TFolderTree::CurrentFolderChanged, VirtualEel1,
          &TThumbnailBrowser::SetFolder);
  connect(VirtualEel1, &TThumbnailBrowser::FolderOpened, VirtualExplorerTree1,
          &TFolderTree::SetCurrentFolder);
  connect(btnView, &QToolButton::clicked, VirtualEel1, &TThumbnailBrowser::ShowThumbnails);
  connect(btnDetails, &QToolButton::clicked, VirtualEel1, &TThumbnailBrowser::ShowDetails);
  auto* panes = new QSplitter(Qt::Horizontal, area);
  panes->setChildrenCollapsible(false);
  panes->addWidget(folders);
  panes->addWidget(VirtualEel1);
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

  ListView3 = Named(new QTreeWidget(page), "ListView3");
  SetUpPhotoList(ListView3, StoredNameColumn::None);
  ListView3->setToolTip(
      QStringLiteral("In het rechterscherm kunt u de foto's bewerken of uploaden!"));

  auto* frame = Named(new QFrame(page), "panelImage322");
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame->setFixedSize(169, 177);
  Image322 = Named(new QLabel(frame), "Image322");
  Image322->setFixedSize(167, 175);
  auto* frame_fill = new QVBoxLayout(frame);
  frame_fill->setContentsMargins(1, 1, 1, 1);
  frame_fill->addWidget(Image322);
  SpeedButton8 =
      NewFlatButton("SpeedButton8", Glyph::Rotate, QStringLiteral("Afbeelding roteren"), page);
  SpeedButton9 =
      NewFlatButton("SpeedButton9", Glyph::Edit, QStringLiteral("Afbeelding bewerken"), page);
  auto* flat_buttons = new QHBoxLayout;
  flat_buttons->addWidget(SpeedButton8);
  flat_buttons->addWidget(SpeedButton9);
  flat_buttons->addStretch();
  auto* preview_column = new QVBoxLayout;
  preview_column->addWidget(frame);
  preview_column->addLayout(flat_buttons);
  preview_column->addStretch();
  auto* list_row = new QHBoxLayout;
  list_row->addWidget(ListView3, 1);
  list_row->addLayout(preview_column);

  btnMapOpenen = NewButton("btnMapOpenen", QStringLiteral("Map openen "), page);
  btnMapOpenen->setIcon(GlyphIcon(Glyph::OpenFolder));
  btnExtra = NewButton("btnExtra", QStringLiteral("Opties >"), page);
  btnUploaden = NewButton("btnUploaden", QStringLiteral("Foto's uploaden "), page);
  btnUploaden->setIcon(GlyphIcon(Glyph::Upload));
  btnMailen = NewButton("btnMailen", QStringLiteral("Foto's mailen "), page);
  btnMailen->setIcon(GlyphIcon(Glyph::Mail));
  auto* commands = new QHBoxLayout;
  commands->addWidget(btnMapOpenen);
  commands->addWidget(btnExtra);
  commands->addStretch();
  commands->addWidget(btnUploaden);
  commands->addWidget(btnMailen);

  // Nested layouts take their spacing from here, not from the strip's row without any.
  auto* content = new QVBoxLayout;
  content->setContentsMargins(10, 10, 10, 10);
  content->setSpacing(6);
  content->addWidget(title);
  content->addLayout(list_row, 1);
  content->addLayout(commands);
  Image323 = SideStrip::PlaceBeside(page, QStringLiteral("Image323"), content);
  return page;
}

// The bar along the bottom: the progress of adding folders at the left, `btnNext` at the right.
QWidget* TFormMain::BuildBottomBar() {
  auto* bar = new QWidget(this);
  bar->setFixedHeight(43);
  ProgressBar1 = Named(new QProgressBar(bar), "ProgressBar1");
  ProgressBar1->setRange(0, 500);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setMaximumWidth(300);
  ProgressBar1->hide();
  btnNext = NewButton("btnNext", QStringLiteral("Ga verder "), bar);
  btnNext->setIcon(GlyphIcon(Glyph::Next));
  // At least its usual size; "Opnieuw beginnen" and large fonts make it wider.
  btnNext->setMinimumWidth(129);
  btnNext->setFixedHeight(25);
  // Right to left puts the arrow behind the text.
  btnNext->setLayoutDirection(Qt::RightToLeft);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(10, 0, 10, 0);
  row->addWidget(ProgressBar1, 1);
  row->addStretch();
  row->addWidget(btnNext);
  return bar;
}

}  // namespace fotoloom
