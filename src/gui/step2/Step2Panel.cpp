#include "gui/step2/Step2Panel.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/Path.h"
#include "gui/step2/DefaultExportFolder.h"
#include "gui/step2/FieldGrid.h"
#include "gui/common/HandlerGuard.h"
#include "gui/step2/NamingGroup.h"
#include "gui/step2/SizeProfilePanel.h"
#include "gui/step2/TextPanel.h"
#include "gui/step2/WatermarkPanel.h"
#include "gui/common/WidgetHelpers.h"

namespace fotoloom {
namespace {

constexpr int kOptionPanelHeight = 93;
constexpr int kOptionPanelGap = 12;

QRadioButton* NewRadio(const char* name, const QString& caption, QWidget* parent) {
  return Named(new QRadioButton(caption, parent), name);
}

}  // namespace

TStep2Panel::TStep2Panel(TIniFile& settings_file, TSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
  setObjectName(QStringLiteral("Step2Panel"));
  auto* box = new QGroupBox;
  m_profiles = new TSizeProfilePanel(settings_file, box);
  m_watermark = new TWatermarkPanel(box);
  m_text = new TTextPanel(box);
  m_naming = new TNamingGroup(box);

  // The option panels stand in a fixed order: watermark, text, naming. Hidden ones take no
  // room, so the visible ones follow each other from the top in that order.
  auto* option_panels = new QWidget;
  auto* panels_column = new QVBoxLayout(option_panels);
  panels_column->setContentsMargins(0, 0, 0, 0);
  panels_column->setSpacing(kOptionPanelGap);
  for (QWidget* panel : {static_cast<QWidget*>(m_watermark), static_cast<QWidget*>(m_text),
                         m_naming->RenamePanel()}) {
    panel->setFixedHeight(kOptionPanelHeight);
    panels_column->addWidget(panel);
  }
  panels_column->addStretch();
  m_watermark->hide();
  m_text->hide();

  m_fields = new QWidget;
  auto* fields_column = new QVBoxLayout(m_fields);
  fields_column->setContentsMargins(0, 0, 0, 0);
  fields_column->addWidget(BuildTargetRow());
  fields_column->addWidget(m_profiles);
  m_option_panels = option_panels;
  m_choices = new QWidget;
  m_choices_layout = new QBoxLayout(QBoxLayout::TopToBottom, m_choices);
  m_choices_layout->setContentsMargins(0, 0, 0, 0);
  m_choices_layout->addWidget(BuildTargetGroup(), 0, Qt::AlignTop);
  auto* more_choices = new QVBoxLayout;
  more_choices->addWidget(BuildExtraOptionsGroup());
  more_choices->addWidget(m_naming);
  more_choices->addStretch();
  m_choices_layout->addLayout(more_choices);
  // Choices close together, so that they fit beside each other in the smallest window.
  for (QGroupBox* group : m_choices->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
    group->layout()->setSpacing(2);
  m_arrangement = new QGridLayout(box);
  m_arrangement->setHorizontalSpacing(kOptionPanelGap);
  m_arrangement->setVerticalSpacing(kOptionPanelGap);
  m_left = new QVBoxLayout;
  m_left->setSpacing(kOptionPanelGap);
  m_left->addWidget(m_fields);
  m_left->addStretch();
  m_arrangement->addLayout(m_left, 0, 0);
  Arrange(false);
  AlignFieldGrids(box);

  // A window too small for the whole page scrolls it.
  auto* scroll = new QScrollArea(this);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(box);
  auto* fill = new QVBoxLayout(this);
  fill->setContentsMargins(0, 0, 0, 0);
  fill->addWidget(scroll);

  ProposeDefaultExportFolder();
}

// Two arrangements of the same controls. Wide: the fields with the option panels below them
// at the left, the choices in one column beside them, the free room at the right and bottom.
// Narrow (the smallest window): the fields over the whole width, the choices in two columns
// below them, then the option panels.
void TStep2Panel::Arrange(bool narrow) {
  m_left->removeWidget(m_option_panels);
  m_arrangement->removeWidget(m_option_panels);
  m_arrangement->removeWidget(m_choices);
  for (int i = 0; i < 4; ++i) {
    m_arrangement->setRowStretch(i, 0);
    m_arrangement->setColumnStretch(i, 0);
  }
  if (narrow) {
    m_arrangement->addWidget(m_choices, 1, 0, Qt::AlignLeft);
    m_arrangement->addWidget(m_option_panels, 2, 0);
    m_arrangement->setRowStretch(3, 1);
    m_arrangement->setColumnStretch(0, 1);
    m_choices_layout->setDirection(QBoxLayout::LeftToRight);
  } else {
    m_left->insertWidget(1, m_option_panels);
    m_arrangement->addWidget(m_choices, 0, 1, Qt::AlignTop);
    m_arrangement->setRowStretch(1, 1);
    m_arrangement->setColumnStretch(2, 1);
    m_choices_layout->setDirection(QBoxLayout::TopToBottom);
  }
  m_narrow = narrow;
}

void TStep2Panel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The width of the wide arrangement, whichever is shown now.
  int choices = 0;
  for (const QWidget* group : m_choices->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
    choices = std::max(choices, group->sizeHint().width());
  const QMargins margins = m_arrangement->contentsMargins();
  const int wide = margins.left() + m_fields->sizeHint().width() + kOptionPanelGap + choices +
                   margins.right() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  if (const bool narrow = event->size().width() < wide; narrow != m_narrow) Arrange(narrow);

}

QWidget* TStep2Panel::BuildTargetRow() {
  auto* row = new QWidget;
  lblDoelmap = Named(new QLabel(QStringLiteral("Doelmap"), row), "lblDoelmap");
  // Room for either caption, so that the field stays where it is when the caption changes.
  lblDoelmap->setMinimumWidth(
      std::max(lblDoelmap->sizeHint().width(),
               lblDoelmap->fontMetrics().horizontalAdvance(QStringLiteral("Naam submap"))));
  editExportMap = Named(new QLineEdit(row), "editExportMap");
  editExportMap->setMinimumWidth(120);
  editExportMap->setMaximumWidth(306);
  editExportMap->setToolTip(
      QStringLiteral("Selecteer hier een map waar de foto's naar toe gekopieerd moeten worden."));
  SetBackground(editExportMap, Qt::white);
  btnSelectExportmap = Named(new QPushButton(QStringLiteral("..."), row), "btnSelectExportmap");
  btnSelectExportmap->setFixedWidth(30);
  connect(btnSelectExportmap, &QPushButton::clicked, this, &TStep2Panel::btnSelectExportmapClick);

  QGridLayout* grid = NewFieldGrid(row);
  grid->addWidget(lblDoelmap, 0, 0);
  grid->addWidget(editExportMap, 0, 1);
  grid->addWidget(btnSelectExportmap, 0, 2);
  // Room to spare goes to the field, up to its width, and only then past the button.
  grid->setColumnStretch(1, 100);
  grid->setColumnStretch(3, 1);
  return row;
}

QWidget* TStep2Panel::BuildTargetGroup() {
  auto* group = new QGroupBox(QStringLiteral("Foto's kopieeren naar"));
  RadioTargetMap = NewRadio("RadioTargetMap", QStringLiteral("Doelmap"), group);
  RadioTargetSame = NewRadio("RadioTargetSame", QStringLiteral("Dezelfde map"), group);
  RadioTargetSubmap =
      NewRadio("RadioTargetSubmap", QStringLiteral("In submap binnen dezelfde map"), group);
  RadioTargetUpload =
      NewRadio("RadioTargetUpload", QStringLiteral("Niet kopieeren maar ga verder"), group);
  RadioTargetMap->setChecked(true);
  auto* column = new QVBoxLayout(group);
  for (QRadioButton* radio :
       {RadioTargetMap, RadioTargetSame, RadioTargetSubmap, RadioTargetUpload}) {
    column->addWidget(radio);
    // Clicked, not toggled: every click on "Doelmap" proposes a fresh folder.
    connect(radio, &QRadioButton::clicked, this, &TStep2Panel::RadioTargetClick);
  }
  return group;
}

QWidget* TStep2Panel::BuildExtraOptionsGroup() {
  auto* group = new QGroupBox(QStringLiteral("Extra opties"));
  chkAddLogo = Named(new QCheckBox(QStringLiteral("Watermerk/logo invoegen"), group), "chkAddLogo");
  chkAddText = Named(new QCheckBox(QStringLiteral("Tekst invoegen"), group), "chkAddText");
  // Toggled, so that checking by program shows the panel as a click does.
  connect(chkAddLogo, &QCheckBox::toggled, m_watermark, &QWidget::setVisible);
  connect(chkAddText, &QCheckBox::toggled, m_text, &QWidget::setVisible);
  auto* column = new QVBoxLayout(group);
  column->addWidget(chkAddLogo);
  column->addWidget(chkAddText);
  return group;
}

// The radio just clicked is the checked one.
void TStep2Panel::RadioTargetClick() {
  Guard(this, [this] {
    const bool target_folder = RadioTargetMap->isChecked();
    const bool same_folder = RadioTargetSame->isChecked();
    if (target_folder) {
      ProposeDefaultExportFolder();
    } else if (!same_folder) {
      editExportMap->clear();
    }
    editExportMap->setReadOnly(same_folder);
    SetBackground(editExportMap,
                  same_folder ? palette().color(QPalette::Button) : QColor(Qt::white));
    lblDoelmap->setText(target_folder || same_folder ? QStringLiteral("Doelmap")
                                                     : QStringLiteral("Naam submap"));
    btnSelectExportmap->setEnabled(target_folder);
  });
}

void TStep2Panel::ProposeDefaultExportFolder() {
  editExportMap->setText(DefaultExportFolder());
}

void TStep2Panel::btnSelectExportmapClick() {
  Guard(this, [this] {
    const QString target = QString::fromStdString(m_settings.Exportmap);
    const QString start = !target.isEmpty() && QDir(target).exists() ? target : QDir::homePath();
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Selecteer doelmap"), start, QFileDialog::ShowDirsOnly);
    const QString trimmed = chosen.trimmed();
    if (trimmed.isEmpty() || trimmed == QString(QChar::fromLatin1(kPathSeparator))) return;
    editExportMap->setText(QString::fromStdString(IncludeTrailingSeparator(chosen.toStdString())));
    m_settings.Exportmap = editExportMap->text().toStdString();
  });
}

void TStep2Panel::LoadFromSettings(const TSettings& settings) {
  chkAddLogo->setChecked(settings.Addlogo);
  chkAddText->setChecked(settings.Addtext);
  m_watermark->SetLogo(QString::fromStdString(settings.Logo));
  m_watermark->SetTransparancy(settings.Transparancy);
  m_text->SetFontsize(settings.Fontsize);
  m_text->SetText(QString::fromStdString(settings.FontText));
}

void TStep2Panel::StoreToSettings(TSettings& settings) const {
  settings.Addlogo = chkAddLogo->isChecked();
  settings.Addtext = chkAddText->isChecked();
  settings.Logo = m_watermark->Logo().toStdString();
  settings.Transparancy = m_watermark->Transparancy();
  settings.Fontsize = m_text->Fontsize();
  settings.FontText = m_text->Text().toStdString();
}

TTargetMode TStep2Panel::TargetMode() const {
  if (RadioTargetSame->isChecked()) return TTargetMode::SameFolder;
  if (RadioTargetSubmap->isChecked()) return TTargetMode::SubFolder;
  return TTargetMode::TargetFolder;
}

TRunSettings TStep2Panel::CollectRunSettings() const {
  const TSizeProfile size = m_profiles->Values();
  TRunSettings run;
  run.width_text = size.Width;
  run.height_text = size.Height;
  run.quality = size.Quality;
  run.color_text = size.BackgroundColor;
  run.target_mode = TargetMode();
  run.folder_field = editExportMap->text().toStdString();
  run.naming = m_naming->Mode();
  run.naming_fields = m_naming->Fields();
  run.overlay.add_logo = chkAddLogo->isChecked();
  run.overlay.logo = m_watermark->Logo().toStdString();
  run.overlay.opacity = m_watermark->Transparancy();
  run.overlay.add_text = chkAddText->isChecked();
  run.overlay.font_size = m_text->Fontsize();
  run.overlay.text = m_text->Text().toStdString();
  return run;
}

TStep2Values TStep2Panel::Values() const {
  const TSizeProfile size = m_profiles->Values();
  TStep2Values values;
  values.no_copy = RadioTargetUpload->isChecked();
  values.target_mode = TargetMode();
  values.folder_field = editExportMap->text().toStdString();
  values.profile_count = m_profiles->ProfileCount();
  values.profile_selected = m_profiles->HasSelectedProfile();
  values.width_text = size.Width;
  values.height_text = size.Height;
  values.add_logo = chkAddLogo->isChecked();
  values.logo = m_watermark->Logo().toStdString();
  values.add_text = chkAddText->isChecked();
  values.text = m_text->Text().toStdString();
  return values;
}

QLineEdit* TStep2Panel::LogoField() const {
  return m_watermark->LogoField();
}

QLineEdit* TStep2Panel::TextField() const {
  return m_text->TextField();
}

}  // namespace fotoloom
