#include "gui/step2/NamingGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

#include "core/settings/IntegerText.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/WidgetHelpers.h"

namespace fotoloom {

TNamingGroup::TNamingGroup(QWidget* parent) : QGroupBox(QStringLiteral("Bestandsnamen"), parent) {
  setObjectName(QStringLiteral("groupFilenames"));
  RadioRenameSame =
      Named(new QRadioButton(QStringLiteral("Dezelfde bestandsnamen"), this), "RadioRenameSame");
  RadioRenameGenerate =
      Named(new QRadioButton(QStringLiteral("Nieuwe bestandsnamen"), this), "RadioRenameGenerate");
  RadioRenameUnique =
      Named(new QRadioButton(QStringLiteral("Unieke bestandsnamen"), this), "RadioRenameUnique");
  RadioRenameSame->setChecked(true);
  auto* column = new QVBoxLayout(this);
  column->addWidget(RadioRenameSame);
  column->addWidget(RadioRenameGenerate);
  column->addWidget(RadioRenameUnique);

  panelRename = BuildRenamePanel();
  panelRename->hide();
  connect(RadioRenameGenerate, &QRadioButton::toggled, panelRename, &QWidget::setVisible);
}

QWidget* TNamingGroup::BuildRenamePanel() {
  auto* panel = Named(new QWidget(this), "panelRename");
  editPrefix = Named(new QLineEdit(panel), "editPrefix");
  editIncrement = Named(new QSpinBox(panel), "editIncrement");
  editIncrement->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  editIncrement->setValue(1);
  editAppendix = Named(new QLineEdit(panel), "editAppendix");
  cmbExtension = Named(new QComboBox(panel), "cmbExtension");
  cmbExtension->addItems({QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".JPG"),
                          QStringLiteral(".JPEG")});
  chkInclBestandsnaam =
      Named(new QCheckBox(QStringLiteral("Incl. bestandsnaam"), panel), "chkInclBestandsnaam");
  lblFilenameExample =
      Named(new QLabel(QStringLiteral("Voorbeeld: "), panel), "lblFilenameExample");

  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Voorvoegsel"), panel), 0, 0);
  grid->addWidget(new QLabel(QStringLiteral("Ophoging"), panel), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Aanvulling"), panel), 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Extensie"), panel), 0, 3);
  grid->addWidget(editPrefix, 1, 0);
  grid->addWidget(editIncrement, 1, 1);
  grid->addWidget(editAppendix, 1, 2);
  grid->addWidget(cmbExtension, 1, 3);
  grid->addWidget(chkInclBestandsnaam, 2, 0);
  grid->addWidget(lblFilenameExample, 2, 1, 1, 3);
  grid->setRowStretch(3, 1);

  connect(editPrefix, &QLineEdit::textChanged, this, &TNamingGroup::RefreshExample);
  // The spin box's own signal stays quiet while its text is no number (emptied, or a lone
  // "-"); its line edit reports every keystroke.
  connect(editIncrement->findChild<QLineEdit*>(), &QLineEdit::textChanged, this,
          &TNamingGroup::RefreshExample);
  connect(editAppendix, &QLineEdit::textChanged, this, &TNamingGroup::RefreshExample);
  connect(cmbExtension, &QComboBox::currentIndexChanged, this, &TNamingGroup::RefreshExample);
  connect(chkInclBestandsnaam, &QCheckBox::toggled, this, &TNamingGroup::RefreshExample);
  return panel;
}

TNamingMode TNamingGroup::Mode() const {
  if (RadioRenameGenerate->isChecked()) return TNamingMode::Generate;
  if (RadioRenameUnique->isChecked()) return TNamingMode::Unique;
  return TNamingMode::Same;
}

TNamingFields TNamingGroup::Fields() const {
  TNamingFields fields;
  fields.prefix = editPrefix->text().toStdString();
  int32_t increment = 0;
  fields.increment =
      TryStrToInt(editIncrement->cleanText().toStdString(), increment) ? increment : 0;
  fields.appendix = editAppendix->text().toStdString();
  fields.extension = cmbExtension->currentText().toStdString();
  fields.include_name = chkInclBestandsnaam->isChecked();
  return fields;
}

void TNamingGroup::RefreshExample() {
  Guard(this,
        [this] { lblFilenameExample->setText(QString::fromStdString(FilenameExample(Fields()))); });
}

}  // namespace fotoloom
