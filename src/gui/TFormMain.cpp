#include "gui/TFormMain.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/Artwork.h"
#include "gui/CustomMode.h"
#include "gui/FormHeader.h"
#include "gui/PhotoList.h"
#include "gui/SideStrip.h"
#include "gui/WindowPlacement.h"

namespace fotoloom {
namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

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

}  // namespace

TFormMain::TFormMain(const QString& data_folder, const QStringList& arguments, QWidget* parent)
    : QWidget(parent),
      m_data_folder(data_folder),
      m_arguments(arguments),
      m_menus(BuildMainMenus(this)) {
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

  AttachContextMenu(ListView1, m_menus.selection);
  AttachContextMenu(Image321, m_menus.selection);
  AttachContextMenu(Image323, m_menus.selection);
  AttachContextMenu(ListView3, m_menus.results);
  AttachContextMenu(Image322, m_menus.results);
  AttachContextMenu(btnExtra, m_menus.results);

  setMinimumSize(650, 480);
  resize(952, 665);
  CentreOnScreen(this);
}

void TFormMain::SetBusy(bool busy) {
  for (QWidget* button : {btnNext, btnMapOpenen, btnMailen, btnExtra, btnUploaden})
    button->setEnabled(!busy);
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
  Image321->setFixedSize(149, 160);
  auto* preview_column = new QVBoxLayout(preview);
  preview_column->setContentsMargins(1, 1, 1, 1);
  preview_column->addWidget(Image321);
  preview_column->addStretch();
  // Shown once an entry of the selection list is selected.
  preview->hide();
  Panel10 = preview;
  auto* list_row = new QHBoxLayout(TabSheet1);
  list_row->addWidget(ListView1, 1);
  list_row->addWidget(Panel10);

  auto* tabs_area = new QVBoxLayout;
  tabs_area->setContentsMargins(10, 10, 10, 10);
  tabs_area->setSpacing(6);
  tabs_area->addWidget(PageControl1);
  auto* strip = new SideStrip(QStringLiteral("Image324"), page);
  Image324 = strip->Picture();
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(strip);
  row->addLayout(tabs_area, 1);
  return page;
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
  auto* strip = new SideStrip(QStringLiteral("Image323"), page);
  Image323 = strip->Picture();
  auto* row = new QHBoxLayout(page);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(strip);
  row->addLayout(content, 1);
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
  btnNext->setFixedSize(129, 25);
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
