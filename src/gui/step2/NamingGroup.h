#pragma once

#include <QGroupBox>

#include "core/convert/OutputNaming.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace fotoloom {

// The group box `groupFilenames` ("Bestandsnamen") with the three naming modes, and the
// panel `panelRename` that sets up generated names. The panel stands among the option
// panels of step 2, away from the group, so the page places it through RenamePanel(); it
// is shown only while "Nieuwe bestandsnamen" is chosen.
class TNamingGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit TNamingGroup(QWidget* parent);

  QWidget* RenamePanel() const { return panelRename; }
  TNamingMode Mode() const;
  // The fields as they are now; an increment that is no whole number counts as 0.
  TNamingFields Fields() const;

 private:
  QWidget* BuildRenamePanel();
  void RefreshExample();

  QRadioButton* RadioRenameSame;
  QRadioButton* RadioRenameGenerate;
  QRadioButton* RadioRenameUnique;
  QWidget* panelRename;
  QLineEdit* editPrefix;
  QSpinBox* editIncrement;
  QLineEdit* editAppendix;
  QComboBox* cmbExtension;
  QCheckBox* chkInclBestandsnaam;
  QLabel* lblFilenameExample;
};

}  // namespace fotoloom
