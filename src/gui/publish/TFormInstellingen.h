#pragma once

#include <QDate>
#include <QDialog>
#include <QString>
#include <functional>

#include "core/settings/Settings.h"
#include "gui/common/BackgroundWork.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace fotoloom {

// The pages of the settings dialog; whoever opens it shows exactly one of them.
enum class TSettingsPage { Ftp, Website, Email, EmailSettings };

// The details of a photo group for a group upload, shown on the website page and read back
// after a save. A null date stands for "not yet chosen": the page then proposes today.
struct TWebsiteGroup {
  QString code;
  QString description;
  QString location;
  QDate date;
  bool add_to_group = false;
};

// The settings dialog: the FTP details with a connection test, a photo group, the contents
// of a mail and the way mail is sent, each on its own page. The visible page decides what
// the dialog fills when it shows and what the save button stores.
class TFormInstellingen : public QDialog {
  Q_OBJECT

 public:
  // The dialog works on `settings`; `save_settings` writes them to the settings file, which
  // a save of the FTP page does at once.
  TFormInstellingen(TSettings& settings, std::function<void()> save_settings, QWidget* owner);

  // Makes `page` the one visible page and gives the window and the save button the captions
  // that its opener uses.
  void ShowPage(TSettingsPage page);
  TSettingsPage VisiblePage() const { return m_page; }

  // The website page is filled and read by its opener.
  void SetWebsiteGroup(const TWebsiteGroup& group);
  TWebsiteGroup WebsiteGroup() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void tsWebsiteShow();
  void btnOpslaanClick();
  // Stores what the visible page holds; false when a check keeps the dialog open.
  bool StoreVisiblePage();
  // False, after its warning and with the focus moved, when a website field is not right.
  bool CheckWebsitePage();
  // False, after its warning, when an FTP field holds a line break or another control
  // character, which the server would take for a command of its own.
  bool CheckFtpTexts();
  void cmbVerbindingChange();
  // The connection test, off the window's thread; the dialog stays usable meanwhile.
  void TestConnectionClick();  // "Test"
  enum class TTestOutcome { Connected, StartFolderUnknown, ListingFailed, Failed };
  void ShowTestOutcome(TTestOutcome outcome);

  QWidget* BuildFtpPage();
  QWidget* BuildWebsitePage();
  QWidget* BuildEmailPage();
  QWidget* BuildEmailSettingsPage();
  // Asks before a login may go without encryption and records the answer; false when the
  // user declined, with the focus on the security choice.
  bool ConfirmPlainLogin();

  TSettings& m_settings;
  std::function<void()> m_save_settings;
  TSettingsPage m_page = TSettingsPage::Ftp;
  bool m_shown = false;
  // The group's date as the opener gave it; null until a group upload confirmed one.
  QDate m_group_date;

  QTabWidget* PageControl1;
  QWidget* tsFTP;
  QWidget* tsWebsite;
  QWidget* tsEmail;
  QWidget* tsEmailSettings;
  QComboBox* cmbVerbinding;
  QCheckBox* chkPassieveModus;
  QLineEdit* editHost;
  QLineEdit* editUsername;
  QLineEdit* editPassword;
  QLineEdit* editStartdir;
  QPushButton* Button1;  // "Test"
  QLineEdit* editScriptLine;
  QLineEdit* editScript;
  QLineEdit* editCode;
  QLineEdit* editOmschrijving;
  QLineEdit* editLokatie;
  QDateEdit* editDatum;
  QCheckBox* chkAddGroup;
  QLineEdit* editEmailaddress;
  QLineEdit* EditEmailCC;
  QLineEdit* editEmailSubject;
  QPlainTextEdit* memoEmailBody;
  QRadioButton* RadioSendEmailOutlook;
  QRadioButton* RadioSendEmailFotoloom;
  QWidget* panelEmailInstellingen;
  QLineEdit* EditEmailHost;
  QLineEdit* EditEmailPort;
  QLineEdit* EditEmailFrom;
  QLineEdit* EditEmailUsername;
  QLineEdit* EditEmailPassword;
  QComboBox* cmbBeveiliging;
  QSpinBox* editEmailMaxMB;
  QPushButton* btnOpslaan;
  QPushButton* btnClose;

  // Last: a test still running is cancelled and waited for before the controls go.
  TBackgroundWork m_test_work{this};
};

// Opens a new settings dialog on `page`, modally, and discards it when it closes. True when
// it was closed with the save button, after the page's checks. For the website page `group`
// is shown and, after a save, holds what the user confirmed; it is left alone otherwise.
bool OpenSettingsDialog(TSettingsPage page, TSettings& settings,
                        const std::function<void()>& save_settings, QWidget* owner,
                        TWebsiteGroup* group = nullptr);

}  // namespace fotoloom
