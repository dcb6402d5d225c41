#include "gui/step2/SizeProfilePanel.h"

#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/settings/ColorText.h"
#include "core/settings/IntegerText.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/WidgetHelpers.h"
#include "gui/common/WindowPlacement.h"
#include "gui/step2/FieldGrid.h"

namespace fotoloom {
namespace {

QToolButton* NewProfileButton(const char* name, const QString& caption, QStyle::StandardPixmap icon,
                              const QString& hint, QWidget* parent) {
  auto* button = Named(new QToolButton(parent), name);
  button->setText(caption);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setToolTip(hint);
  return button;
}

}  // namespace

TSizeProfilePanel::TSizeProfilePanel(TIniFile& settings_file, QWidget* parent)
    : QWidget(parent), m_settings_file(settings_file) {
  cmbProfiel = Named(new QComboBox(this), "cmbProfiel");
  cmbProfiel->setToolTip(QStringLiteral("Selecteer hier de soort afmeting."));
  cmbProfiel->setMinimumWidth(180);
  btnProfileNew = NewProfileButton("btnProfileNew", QStringLiteral("Nieuw"), QStyle::SP_FileIcon,
                                   QStringLiteral("Nieuw afmeting aanmaken"), this);
  btnProfileDelete =
      NewProfileButton("btnProfileDelete", QStringLiteral("Verwijderen"), QStyle::SP_TrashIcon,
                       QStringLiteral("Geselecteerde afmeting verwijderen"), this);
  auto* profile_buttons = new QHBoxLayout;
  profile_buttons->addWidget(btnProfileNew);
  profile_buttons->addWidget(btnProfileDelete);
  auto* profile_row = new QWidget(this);
  QGridLayout* grid = NewFieldGrid(profile_row);
  grid->addWidget(new QLabel(QStringLiteral("Soort afmeting"), profile_row), 0, 0);
  grid->addWidget(cmbProfiel, 0, 1);
  grid->addLayout(profile_buttons, 0, 2);
  grid->setColumnStretch(3, 1);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(profile_row);
  column->addWidget(BuildSizePanel());

  connect(cmbProfiel, &QComboBox::currentIndexChanged, this, &TSizeProfilePanel::cmbProfielChange);
  connect(btnProfileNew, &QToolButton::clicked, this, &TSizeProfilePanel::btnProfileNewClick);
  connect(btnProfileDelete, &QToolButton::clicked, this, &TSizeProfilePanel::btnProfileDeleteClick);
  connect(btnColor, &QPushButton::clicked, this, &TSizeProfilePanel::btnColorClick);
}

QWidget* TSizeProfilePanel::BuildSizePanel() {
  panelOptions = Named(new QWidget(this), "panelOptions");
  editNormalBreedte = Named(new QLineEdit(panelOptions), "editNormalBreedte");
  editNormalBreedte->setToolTip(QStringLiteral("Vul een 0 in voor een variabele breedte"));
  editNormalHoogte = Named(new QLineEdit(panelOptions), "editNormalHoogte");
  editNormalHoogte->setToolTip(QStringLiteral("Vul een 0 in voor een variabele hoogte"));
  editJPGKwaliteit = Named(new QSpinBox(panelOptions), "editJPGKwaliteit");
  editJPGKwaliteit->setRange(0, 100);
  editJPGKwaliteit->setValue(90);
  editColor = Named(new QLineEdit(panelOptions), "editColor");
  editColor->setReadOnly(true);
  btnColor = Named(new QPushButton(QStringLiteral("..."), panelOptions), "btnColor");
  btnColor->setFixedWidth(30);
  // 90 wide where there is room; narrower in the smallest window.
  for (QWidget* field : std::initializer_list<QWidget*>{editNormalBreedte, editNormalHoogte,
                                                        editJPGKwaliteit, editColor}) {
    field->setMinimumWidth(60);
    field->setMaximumWidth(90);
  }
  editNormalBreedte->installEventFilter(this);
  editNormalHoogte->installEventFilter(this);
  editColor->installEventFilter(this);

  QGridLayout* grid = NewFieldGrid(panelOptions);
  grid->addWidget(new QLabel(QStringLiteral("Breedte px"), panelOptions), 0, 0);
  grid->addWidget(editNormalBreedte, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Hoogte px"), panelOptions), 0, 2);
  grid->addWidget(editNormalHoogte, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("JPG Kwaliteit"), panelOptions), 1, 0);
  grid->addWidget(editJPGKwaliteit, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Achtergrondkleur"), panelOptions), 1, 2);
  auto* color_row = new QHBoxLayout;
  color_row->addWidget(editColor);
  color_row->addWidget(btnColor);
  grid->addLayout(color_row, 1, 3);
  grid->setColumnStretch(4, 1);
  return panelOptions;
}

void TSizeProfilePanel::LoadProfiles() {
  {
    const QSignalBlocker quiet(cmbProfiel);
    cmbProfiel->clear();
    for (const std::string& name : LoadProfileNames(m_settings_file))
      cmbProfiel->addItem(QString::fromStdString(name));
    cmbProfiel->setCurrentIndex(0);
  }
  ShowProfile(cmbProfiel->currentText().toStdString());
  panelOptions->show();
}

void TSizeProfilePanel::cmbProfielChange(int index) {
  Guard(this, [&] {
    if (index < 0) {
      panelOptions->hide();
      editNormalBreedte->clear();
      editNormalHoogte->clear();
      return;
    }
    panelOptions->show();
    ShowProfile(cmbProfiel->currentText().toStdString());
  });
}

void TSizeProfilePanel::ShowProfile(const std::string& name) {
  const TSizeProfile profile = ReadProfile(m_settings_file, name);
  editNormalBreedte->setText(QString::fromStdString(profile.Width));
  editNormalHoogte->setText(QString::fromStdString(profile.Height));
  editJPGKwaliteit->setValue(profile.Quality);
  editColor->setText(QString::fromStdString(profile.BackgroundColor));
  ShowColorOf(editColor->text());
}

void TSizeProfilePanel::btnProfileNewClick() {
  Guard(this, [this] { AskForNewProfile(); });
}

void TSizeProfilePanel::AskForNewProfile() {
  QInputDialog ask(this);
  GiveDialogFrame(&ask);
  ask.setWindowTitle(QStringLiteral("Nieuwe naam afmeting"));
  ask.setLabelText(QStringLiteral("Vul een naam van de afmetingen in (vb: msn foto's)"));
  ask.setOkButtonText(QStringLiteral("OK"));
  ask.setCancelButtonText(QStringLiteral("Annuleren"));
  if (ask.exec() != QDialog::Accepted) return;
  const QString name = ask.textValue();
  if (name.trimmed().isEmpty()) return;

  // The new profile gets its own values; it reaches the settings file when a conversion
  // with it is confirmed. A name that is already there (letter case ignored) selects that one.
  const QSignalBlocker quiet(cmbProfiel);
  cmbProfiel->addItem(name);
  cmbProfiel->setCurrentIndex(cmbProfiel->findText(name, Qt::MatchFixedString));
  panelOptions->show();
  editNormalBreedte->clear();
  editNormalHoogte->clear();
}

void TSizeProfilePanel::btnProfileDeleteClick() {
  Guard(this, [this] {
    const int index = cmbProfiel->currentIndex();
    if (index < 0) return;
    DeleteProfile(m_settings_file, cmbProfiel->currentText().toStdString());
    {
      const QSignalBlocker quiet(cmbProfiel);
      cmbProfiel->removeItem(index);
      cmbProfiel->setCurrentIndex(cmbProfiel->count() > 0 ? 0 : -1);
    }
    // The fields must show the profile now selected: left with the deleted one's values, a
    // conversion would store those under the wrong name.
    cmbProfielChange(cmbProfiel->currentIndex());
  });
}

void TSizeProfilePanel::StoreSelectedProfile() {
  StoreProfile(m_settings_file, cmbProfiel->currentText().toStdString(), Values());
}

int TSizeProfilePanel::ProfileCount() const {
  return cmbProfiel->count();
}

bool TSizeProfilePanel::HasSelectedProfile() const {
  return cmbProfiel->currentIndex() >= 0;
}

TSizeProfile TSizeProfilePanel::Values() const {
  TSizeProfile values;
  values.Width = editNormalBreedte->text().toStdString();
  values.Height = editNormalHoogte->text().toStdString();
  values.Quality = editJPGKwaliteit->value();
  values.BackgroundColor = editColor->text().toStdString();
  return values;
}

void TSizeProfilePanel::btnColorClick() {
  Guard(this, [this] {
    QColorDialog dialog(editColor->palette().color(QPalette::Base), this);
    GiveDialogFrame(&dialog);
    if (dialog.exec() == QDialog::Accepted && dialog.selectedColor().isValid())
      ColorChosen(dialog.selectedColor());
  });
}

void TSizeProfilePanel::ColorChosen(const QColor& color) {
  const TColor value = static_cast<TColor>(color.red()) |
                       (static_cast<TColor>(color.green()) << 8) |
                       (static_cast<TColor>(color.blue()) << 16);
  SetBackground(editColor, color);
  editColor->setText(QString::fromStdString(ColorToString(value)));
}

void TSizeProfilePanel::ShowColorOf(const QString& text) {
  // Guarded here, so that what comes after (the rest of start-up, for one) still happens.
  Guard(this, [&] {
    SetBackground(editColor, QColor::fromRgb(ColorToPixel(StringToColor(text.toStdString()))));
  });
}

bool TSizeProfilePanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut &&
      (watched == editNormalBreedte || watched == editNormalHoogte)) {
    // Width and height must be whole numbers; anything else is emptied without a word, and
    // the wizard then asks for a value.
    auto* field = static_cast<QLineEdit*>(watched);
    int32_t number = 0;
    if (!TryStrToInt(field->text().toStdString(), number)) field->clear();
  } else if (event->type() == QEvent::MouseButtonPress && watched == editColor) {
    btnColorClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace fotoloom
