#pragma once

#include <QWidget>

#include "core/convert/ConversionRun.h"
#include "core/convert/WizardChecks.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"

class QBoxLayout;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace fotoloom {

class TNamingGroup;
class TSizeProfilePanel;
class TTextPanel;
class TWatermarkPanel;

// Step 2 of the wizard, "Stap 2: Formaat instellen": the target folder, the size profile,
// where the photos go, the extra options with their panels and the naming of the outputs.
// The settings record's Exportmap is the target folder: the browse button reads and sets it.
class TStep2Panel : public QWidget {
  Q_OBJECT

 public:
  TStep2Panel(TIniFile& settings_file, TSettings& settings, QWidget* parent);

  // The extra options from the settings record: check boxes, logo, opacity, font size, text.
  void LoadFromSettings(const TSettings& settings);
  // Copies those options back into the record.
  void StoreToSettings(TSettings& settings) const;
  // What a conversion run needs from this page. The number of jobs and the decimal
  // separator are not shown here; they keep their defaults.
  TRunSettings CollectRunSettings() const;
  // What the wizard checks before it converts.
  TStep2Values Values() const;

  // Lets the user choose the target folder (the browse button).
  void btnSelectExportmapClick();
  // Puts a new default export folder into the folder field.
  void ProposeDefaultExportFolder();

  TSizeProfilePanel& Profiles() const { return *m_profiles; }
  QLineEdit* ExportFolderField() const { return editExportMap; }
  QLineEdit* LogoField() const;
  QLineEdit* TextField() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Arrange(bool narrow);
  QWidget* BuildTargetRow();
  QWidget* BuildTargetGroup();
  QWidget* BuildExtraOptionsGroup();
  void RadioTargetClick();
  TTargetMode TargetMode() const;

  TSettings& m_settings;
  TSizeProfilePanel* m_profiles;
  TWatermarkPanel* m_watermark;
  TTextPanel* m_text;
  TNamingGroup* m_naming;
  // The three blocks of the page and how they stand.
  QWidget* m_fields;
  QWidget* m_option_panels;
  QWidget* m_choices;
  QBoxLayout* m_choices_layout;
  QGridLayout* m_arrangement;
  QBoxLayout* m_left;
  bool m_narrow = false;
  QLabel* lblDoelmap;
  QLineEdit* editExportMap;
  QPushButton* btnSelectExportmap;
  QRadioButton* RadioTargetMap;
  QRadioButton* RadioTargetSame;
  QRadioButton* RadioTargetSubmap;
  QRadioButton* RadioTargetUpload;
  QCheckBox* chkAddLogo;
  QCheckBox* chkAddText;
};

}  // namespace fotoloom
