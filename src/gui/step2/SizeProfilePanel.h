#pragma once

#include <QWidget>

#include "core/settings/IniFile.h"
#include "core/settings/SizeProfiles.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QToolButton;
class QPushButton;

namespace fotoloom {

// The row "Soort afmeting" with the profile combo and its new and delete buttons, and below
// it the size panel `panelOptions`: width, height, JPEG quality and background colour. Every
// profile is a section of the settings file.
class TSizeProfilePanel : public QWidget {
  Q_OBJECT

 public:
  TSizeProfilePanel(TIniFile& settings_file, QWidget* parent);

  // Fills the combo from the settings file, selects the first profile and shows its values.
  void LoadProfiles();
  // Writes the four values of the size panel into the section of the selected profile.
  void StoreSelectedProfile();
  // Asks for the name of a new profile and selects it with empty width and height.
  void btnProfileNewClick();
  // Takes a colour chosen in the colour dialog: the field shows it and its colour text.
  void ColorChosen(const QColor& color);

  int ProfileCount() const;
  bool HasSelectedProfile() const;
  // Width and height as typed, the quality and the colour text.
  TSizeProfile Values() const;

  QComboBox* ProfileCombo() const { return cmbProfiel; }
  QLineEdit* WidthField() const { return editNormalBreedte; }
  QLineEdit* HeightField() const { return editNormalHoogte; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildSizePanel();
  void AskForNewProfile();
  void cmbProfielChange(int index);
  void btnProfileDeleteClick();
  void btnColorClick();
  void ShowProfile(const std::string& name);
  // Paints the colour field's background in the colour of `text`. A text that is no colour
  // is shown by the general error display and leaves the background as it was.
  void ShowColorOf(const QString& text);

  TIniFile& m_settings_file;
  QComboBox* cmbProfiel;
  QToolButton* btnProfileNew;
  QToolButton* btnProfileDelete;
  QWidget* panelOptions;
  QLineEdit* editNormalBreedte;
  QLineEdit* editNormalHoogte;
  QSpinBox* editJPGKwaliteit;
  QLineEdit* editColor;
  QPushButton* btnColor;
};

}  // namespace fotoloom
