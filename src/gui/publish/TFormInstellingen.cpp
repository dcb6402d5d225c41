#include "gui/publish/TFormInstellingen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

#include "core/publish/RemoteAccount.h"
#include "gui/common/DutchLanguage.h"
#include "gui/common/FormHeader.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/Messages.h"
#include "gui/common/WidgetHelpers.h"
#include "gui/common/WindowPlacement.h"
#include "gui/publish/SelectAllFields.h"
#include "gui/publish/ServerTrustQuestion.h"

namespace fotoloom {
namespace {

// What each opener shows: the window caption and the save button's caption.
struct TPageCaptions {
  const char* window;
  const char* save;
};

TPageCaptions CaptionsOf(TSettingsPage page) {
  switch (page) {
    case TSettingsPage::Ftp:
      return {"FTP Gegevens", "Opslaan"};
    case TSettingsPage::Website:
      return {"Vul de website gegevens in...", "Opslaan"};
    case TSettingsPage::Email:
      return {"Vul de email gegevens in...", "Email versturen"};
    case TSettingsPage::EmailSettings:
      return {"Emailinstellingen", "Opslaan"};
  }
  return {"", ""};
}

// The choices in the order of the settings' values.
const std::array<const char*, 3> kProtocolCaptions = {"FTP", "FTP met TLS (FTPES)", "SFTP"};
const std::array<const char*, 3> kSecurityCaptions = {"Geen", "STARTTLS", "SSL/TLS"};
// The usual port of each security choice.
const std::array<const char*, 3> kSecurityPorts = {"25", "587", "465"};

QString Text(const std::string& value) {
  return QString::fromStdString(value);
}

std::string Value(const QLineEdit* field) {
  return field->text().toStdString();
}

QLineEdit* NewField(const char* name, QWidget* parent) {
  return Named(new QLineEdit(parent), name);
}

QLineEdit* NewPasswordField(const char* name, QWidget* parent) {
  QLineEdit* field = NewField(name, parent);
  field->setEchoMode(QLineEdit::Password);
  return field;
}

QComboBox* NewChoice(const char* name, const std::array<const char*, 3>& captions,
                     QWidget* parent) {
  auto* box = Named(new QComboBox(parent), name);
  for (const char* caption : captions) box->addItem(QString::fromUtf8(caption));
  return box;
}

QFormLayout* NewForm(QWidget* page) {
  auto* form = new QFormLayout(page);
  form->setContentsMargins(10, 8, 10, 8);
  form->setVerticalSpacing(4);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  return form;
}

}  // namespace

TFormInstellingen::TFormInstellingen(TSettings& settings, std::function<void()> save_settings,
                                     QWidget* owner)
    : QDialog(owner), m_settings(settings), m_save_settings(std::move(save_settings)) {
  setObjectName(QStringLiteral("FormInstellingen"));
  GiveDialogFrame(this);

  PageControl1 = Named(new QTabWidget(this), "PageControl1");
  tsFTP = BuildFtpPage();
  tsWebsite = BuildWebsitePage();
  tsEmail = BuildEmailPage();
  tsEmailSettings = BuildEmailSettingsPage();
  PageControl1->addTab(tsFTP, QStringLiteral("FTP"));
  PageControl1->addTab(tsWebsite, QStringLiteral("Website"));
  PageControl1->addTab(tsEmail, QStringLiteral("Email"));
  PageControl1->addTab(tsEmailSettings, QStringLiteral("Email-instellingen"));
  // Until an opener chooses, no page shows.
  for (int i = 0; i < PageControl1->count(); ++i) PageControl1->setTabVisible(i, false);

  btnOpslaan = Named(new QPushButton(QStringLiteral("&Opslaan"), this), "btnOpslaan");
  btnOpslaan->setDefault(true);
  btnClose = Named(new QPushButton(QStringLiteral("&Annuleren"), this), "btnClose");
  btnClose->setAutoDefault(false);
  connect(btnOpslaan, &QPushButton::clicked, this, &TFormInstellingen::btnOpslaanClick);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

  auto* bottom = new QWidget(this);
  bottom->setFixedHeight(41);
  auto* buttons = new QHBoxLayout(bottom);
  buttons->setContentsMargins(8, 0, 8, 0);
  buttons->addStretch();
  buttons->addWidget(btnClose);
  buttons->addWidget(btnOpslaan);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(new FormHeader(this));
  auto* pages = new QVBoxLayout;
  pages->setContentsMargins(6, 6, 6, 0);
  pages->addWidget(PageControl1);
  column->addLayout(pages, 1);
  column->addWidget(bottom);

  // A fixed frame of the design size, larger only where the fonts leave no room.
  setFixedSize(minimumSizeHint().expandedTo(QSize(422, 333)));
  CentreOnScreen(this);
}

QWidget* TFormInstellingen::BuildFtpPage() {
  auto* page = Named(new QWidget(PageControl1), "tsFTP");
  cmbVerbinding = NewChoice("cmbVerbinding", kProtocolCaptions, page);
  chkPassieveModus =
      Named(new QCheckBox(QStringLiteral("Passieve modus"), page), "chkPassieveModus");
  editHost = NewField("editHost", page);
  editUsername = NewField("editUsername", page);
  editPassword = NewPasswordField("editPassword", page);
  editStartdir = NewField("editStartdir", page);
  Button1 = Named(new QPushButton(QStringLiteral("Test"), page), "Button1");
  Button1->setAutoDefault(false);
  editScriptLine = NewField("editScriptLine", page);
  editScript = NewField("editScript", page);
  // Two lines; a carriage return alone would not break the line in a tooltip here.
  const QString script_hint = QStringLiteral(
      "Vul hier eventueel een url in die aan het einde van het uploaden uitgevoerd moet "
      "worden.\nVb: het opslaan van de nieuwe foto's in de database");
  editScriptLine->setToolTip(script_hint);
  editScript->setToolTip(script_hint);
  connect(cmbVerbinding, &QComboBox::currentIndexChanged, this,
          &TFormInstellingen::cmbVerbindingChange);
  connect(Button1, &QPushButton::clicked, this, &TFormInstellingen::TestConnectionClick);

  auto* connection = new QHBoxLayout;
  connection->addWidget(cmbVerbinding, 1);
  connection->addWidget(chkPassieveModus);
  auto* start_folder = new QHBoxLayout;
  start_folder->addWidget(editStartdir, 1);
  start_folder->addWidget(Button1);
  QFormLayout* form = NewForm(page);
  form->addRow(QStringLiteral("Verbinding"), connection);
  form->addRow(QStringLiteral("Hostnaam"), editHost);
  form->addRow(QStringLiteral("Gebruikersnaam"), editUsername);
  form->addRow(QStringLiteral("Wachtwoord"), editPassword);
  form->addRow(QStringLiteral("Startmap"), start_folder);
  form->addRow(QStringLiteral("Line execute file"), editScriptLine);
  form->addRow(QStringLiteral("Finish execute file"), editScript);
  return page;
}

QWidget* TFormInstellingen::BuildWebsitePage() {
  auto* page = Named(new QWidget(PageControl1), "tsWebsite");
  editCode = NewField("editCode", page);
  editOmschrijving = NewField("editOmschrijving", page);
  editLokatie = NewField("editLokatie", page);
  editDatum = Named(new QDateEdit(page), "editDatum");
  editDatum->setCalendarPopup(true);
  // Like every date the program shows: in Dutch, whatever the system's language.
  editDatum->setLocale(DutchLocale());
  editDatum->setDisplayFormat(DutchLocale().dateFormat(QLocale::ShortFormat));
  auto* line = new QFrame(page);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  chkAddGroup = Named(new QCheckBox(QStringLiteral("Foto's toevoegen aan bestaande groep"), page),
                      "chkAddGroup");

  QFormLayout* form = NewForm(page);
  form->addRow(QStringLiteral("Code"), editCode);
  form->addRow(QStringLiteral("Omschrijving"), editOmschrijving);
  form->addRow(QStringLiteral("Lokatie"), editLokatie);
  form->addRow(QStringLiteral("Datum"), editDatum);
  form->addRow(line);
  form->addRow(chkAddGroup);
  return page;
}

QWidget* TFormInstellingen::BuildEmailPage() {
  auto* page = Named(new QWidget(PageControl1), "tsEmail");
  editEmailaddress = Named(new TSelectAllOnPressEdit(page), "editEmailaddress");
  EditEmailCC = Named(new TSelectAllOnPressEdit(page), "EditEmailCC");
  editEmailSubject = Named(new TSelectAllOnPressEdit(page), "editEmailSubject");
  memoEmailBody = Named(new TSelectAllOnEnterMemo(page), "memoEmailBody");

  QFormLayout* form = NewForm(page);
  form->addRow(QStringLiteral("Aan"), editEmailaddress);
  form->addRow(QStringLiteral("CC"), EditEmailCC);
  form->addRow(QStringLiteral("Onderwerp"), editEmailSubject);
  form->addRow(QStringLiteral("Uw bericht"), memoEmailBody);
  return page;
}

QWidget* TFormInstellingen::BuildEmailSettingsPage() {
  auto* page = Named(new QWidget(PageControl1), "tsEmailSettings");
  RadioSendEmailOutlook =
      Named(new QRadioButton(QStringLiteral("Stuur emailbericht vanuit uw e-mailprogramma"), page),
            "RadioSendEmailOutlook");
  RadioSendEmailOutlook->setChecked(true);
  RadioSendEmailFotoloom =
      Named(new QRadioButton(QStringLiteral("Stuur emailbericht vanuit Fotoloom"), page),
            "RadioSendEmailFotoloom");

  auto* panel = Named(new QFrame(page), "panelEmailInstellingen");
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->hide();
  // The page keeps room for the panel, so the fixed frame fits it when it shows.
  QSizePolicy keep_room = panel->sizePolicy();
  keep_room.setRetainSizeWhenHidden(true);
  panel->setSizePolicy(keep_room);
  panelEmailInstellingen = panel;
  EditEmailHost = NewField("EditEmailHost", panel);
  EditEmailPort = NewField("EditEmailPort", panel);
  EditEmailPort->setFixedWidth(EditEmailPort->fontMetrics().horizontalAdvance(u'0') * 6 + 12);
  EditEmailFrom = NewField("EditEmailFrom", panel);
  EditEmailUsername = NewField("EditEmailUsername", panel);
  EditEmailPassword = NewPasswordField("EditEmailPassword", panel);
  cmbBeveiliging = NewChoice("cmbBeveiliging", kSecurityCaptions, panel);
  // Only the user's choice brings its port: a stored port stays when the page shows.
  connect(cmbBeveiliging, &QComboBox::activated, EditEmailPort, [this](int index) {
    EditEmailPort->setText(QString::fromLatin1(kSecurityPorts.at(static_cast<size_t>(index))));
  });
  editEmailMaxMB = Named(new QSpinBox(panel), "editEmailMaxMB");
  editEmailMaxMB->setRange(1, 1000);
  // Checking a button from code moves the panel too, so it follows the stored choice.
  connect(RadioSendEmailFotoloom, &QRadioButton::toggled, panelEmailInstellingen,
          &QWidget::setVisible);

  auto* host_row = new QHBoxLayout;
  host_row->addWidget(EditEmailHost, 1);
  host_row->addWidget(new QLabel(QStringLiteral("Poort"), panel));
  host_row->addWidget(EditEmailPort);
  QFormLayout* smtp = NewForm(panel);
  smtp->setContentsMargins(8, 6, 8, 6);
  smtp->addRow(QStringLiteral("Host (smtp)"), host_row);
  smtp->addRow(QStringLiteral("Van emailadres"), EditEmailFrom);
  smtp->addRow(QStringLiteral("Gebruikersnaam"), EditEmailUsername);
  smtp->addRow(QStringLiteral("Wachtwoord"), EditEmailPassword);
  // The size shares the security's line: the fixed window has no room for another row.
  auto* security_row = new QHBoxLayout;
  security_row->addWidget(cmbBeveiliging);
  security_row->addStretch();
  security_row->addWidget(new QLabel(QStringLiteral("Maximale grootte per e-mail (MB)"), panel));
  security_row->addWidget(editEmailMaxMB);
  smtp->addRow(QStringLiteral("Beveiliging"), security_row);

  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(10, 6, 10, 6);
  column->setSpacing(2);
  column->addWidget(RadioSendEmailOutlook);
  column->addWidget(RadioSendEmailFotoloom);
  column->addWidget(panelEmailInstellingen);
  column->addStretch();
  return page;
}

void TFormInstellingen::ShowPage(TSettingsPage page) {
  m_page = page;
  const int shown = static_cast<int>(page);
  for (int i = 0; i < PageControl1->count(); ++i) PageControl1->setTabVisible(i, i == shown);
  PageControl1->setCurrentIndex(shown);
  const TPageCaptions captions = CaptionsOf(page);
  setWindowTitle(QString::fromUtf8(captions.window));
  btnOpslaan->setText(QString::fromUtf8(captions.save));
}

void TFormInstellingen::SetWebsiteGroup(const TWebsiteGroup& group) {
  editCode->setText(group.code);
  editOmschrijving->setText(group.description);
  editLokatie->setText(group.location);
  m_group_date = group.date;
  if (group.date.isValid()) editDatum->setDate(group.date);
  chkAddGroup->setChecked(group.add_to_group);
}

TWebsiteGroup TFormInstellingen::WebsiteGroup() const {
  return {.code = editCode->text(),
          .description = editOmschrijving->text(),
          .location = editLokatie->text(),
          .date = editDatum->date(),
          .add_to_group = chkAddGroup->isChecked()};
}

void TFormInstellingen::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_shown || event->spontaneous()) return;
  m_shown = true;
  Guard(this, [this] { FormShow(); });
}

void TFormInstellingen::FormShow() {
  switch (m_page) {
    case TSettingsPage::Ftp:
      cmbVerbinding->setCurrentIndex(static_cast<int>(m_settings.FtpProtocol));
      chkPassieveModus->setChecked(m_settings.FtpPassive);
      editHost->setText(Text(m_settings.Host));
      editUsername->setText(Text(m_settings.Username));
      editPassword->setText(Text(m_settings.Password));
      editStartdir->setText(Text(m_settings.Startdir));
      editScript->setText(Text(m_settings.Script));
      editScriptLine->setText(Text(m_settings.ScriptLine));
      cmbVerbindingChange();
      break;
    case TSettingsPage::Website:
      tsWebsiteShow();
      break;
    case TSettingsPage::Email:
      editEmailaddress->setText(Text(m_settings.EmailAddress));
      EditEmailCC->setText(Text(m_settings.EmailCC));
      editEmailSubject->setText(Text(m_settings.EmailSubject));
      memoEmailBody->setPlainText(Text(m_settings.EmailBody));
      break;
    case TSettingsPage::EmailSettings:
      if (m_settings.EmailUseOutLook)
        RadioSendEmailOutlook->setChecked(true);
      else
        RadioSendEmailFotoloom->setChecked(true);
      EditEmailHost->setText(Text(m_settings.EmailHost));
      EditEmailPort->setText(Text(m_settings.EmailPort));
      EditEmailFrom->setText(Text(m_settings.EmailFrom));
      EditEmailUsername->setText(Text(m_settings.EmailUsername));
      EditEmailPassword->setText(Text(m_settings.EmailPassword));
      cmbBeveiliging->setCurrentIndex(static_cast<int>(m_settings.EmailSecurity));
      editEmailMaxMB->setValue(m_settings.EmailMaxMB);
      break;
  }
}

void TFormInstellingen::tsWebsiteShow() {
  if (!m_group_date.isValid()) editDatum->setDate(QDate::currentDate());
}

void TFormInstellingen::cmbVerbindingChange() {
  // SFTP has one connection; only FTP knows active and passive data connections.
  chkPassieveModus->setEnabled(cmbVerbinding->currentIndex() !=
                               static_cast<int>(TFtpProtocol::Sftp));
}

void TFormInstellingen::btnOpslaanClick() {
  Guard(this, [this] {
    if (StoreVisiblePage()) accept();
  });
}

bool TFormInstellingen::StoreVisiblePage() {
  switch (m_page) {
    case TSettingsPage::Email:
      m_settings.EmailAddress = Value(editEmailaddress);
      m_settings.EmailCC = Value(EditEmailCC);
      m_settings.EmailSubject = Value(editEmailSubject);
      m_settings.EmailBody = memoEmailBody->toPlainText().toStdString();
      break;
    case TSettingsPage::Website:
      // Nothing is stored here: the opener reads the page back.
      return CheckWebsitePage();
    case TSettingsPage::Ftp:
      if (!CheckFtpTexts()) return false;
      m_settings.FtpProtocol = static_cast<TFtpProtocol>(cmbVerbinding->currentIndex());
      m_settings.FtpPassive = chkPassieveModus->isChecked();
      m_settings.Host = Value(editHost);
      m_settings.Username = Value(editUsername);
      m_settings.Password = Value(editPassword);
      m_settings.Startdir = Value(editStartdir);
      m_settings.Script = Value(editScript);
      m_settings.ScriptLine = Value(editScriptLine);
      // A failed write is shown and the dialog still closes: the values stay in the record
      // and reach the file at the next save.
      Guard(this, [this] { m_save_settings(); });
      break;
    case TSettingsPage::EmailSettings:
      if (!ConfirmPlainLogin()) return false;
      m_settings.EmailUseOutLook = RadioSendEmailOutlook->isChecked();
      m_settings.EmailHost = Value(EditEmailHost);
      m_settings.EmailPort = Value(EditEmailPort);
      m_settings.EmailFrom = Value(EditEmailFrom);
      m_settings.EmailUsername = Value(EditEmailUsername);
      m_settings.EmailPassword = Value(EditEmailPassword);
      m_settings.EmailSecurity = static_cast<TEmailSecurity>(cmbBeveiliging->currentIndex());
      m_settings.EmailMaxMB = editEmailMaxMB->value();
      break;
  }
  return true;
}

bool TFormInstellingen::ConfirmPlainLogin() {
  const bool plain_login =
      cmbBeveiliging->currentIndex() == static_cast<int>(TEmailSecurity::None) &&
      !Value(EditEmailUsername).empty();
  if (plain_login && !m_settings.EmailPlainLogin && RadioSendEmailFotoloom->isChecked()) {
    if (ShowMessage(this, MessageType::Warning,
                    QStringLiteral("Zonder beveiliging gaan uw gebruikersnaam en wachtwoord "
                                   "onversleuteld over het netwerk, leesbaar voor iedereen "
                                   "onderweg. Wilt u toch zonder beveiliging inloggen?"),
                    MessageButtons::YesNo) != MessageAnswer::Yes) {
      cmbBeveiliging->setFocus();
      return false;
    }
    m_settings.EmailPlainLogin = true;
  }
  m_settings.EmailPlainLogin = plain_login && m_settings.EmailPlainLogin;
  return true;
}

bool TFormInstellingen::CheckWebsitePage() {
  struct TRequired {
    QLineEdit* field;
    const char* message;
  };
  const std::array<TRequired, 3> required = {{
      {editCode, "U heeft geen code ingevuld!"},
      {editOmschrijving, "U heeft geen omschrijving ingevuld!"},
      {editLokatie, "U heeft geen lokatie ingevuld!"},
  }};
  for (const TRequired& check : required) {
    if (check.field->text().trimmed().isEmpty()) {
      ShowMessage(this, MessageType::Warning, QString::fromUtf8(check.message), MessageButtons::Ok);
      check.field->setFocus();
      return false;
    }
  }
  // The values end up in the addresses of the web scripts, where "&" separates arguments.
  for (const TRequired& check : required) {
    if (check.field->text().contains(QLatin1Char('&'))) {
      ShowMessage(this, MessageType::Warning, QStringLiteral("U mag geen & teken gebruiken!"),
                  MessageButtons::Ok);
      return false;
    }
  }
  return true;
}

bool TFormInstellingen::CheckFtpTexts() {
  try {
    RefuseAccountControlCharacters(Value(editHost), Value(editUsername), Value(editPassword),
                                   Value(editStartdir));
  } catch (const Error& error) {
    ShowMessage(this, MessageType::Warning, QString::fromStdString(error.what()),
                MessageButtons::Ok);
    return false;
  }
  return true;
}

void TFormInstellingen::TestConnectionClick() {
  Guard(this, [this] {
    if (!CheckFtpTexts()) return;
    TRemoteAccount account;
    try {
      // The fields as they stand, not the stored values.
      account = MakeRemoteAccount(
          Value(editHost),
          RemoteProtocolOf(static_cast<TFtpProtocol>(cmbVerbinding->currentIndex())),
          Value(editUsername), Value(editPassword), Value(editStartdir),
          chkPassieveModus->isChecked());
    } catch (const std::exception&) {
      ShowTestOutcome(TTestOutcome::Failed);
      return;
    }
    Button1->setEnabled(false);
    m_test_work.Start(
        [this, account](const TBackgroundWork::TJob& job) {
          const TTrustQuestion trust = [this, &job](const TUnknownServer& server) {
            return job.Ask<bool>([this, server] { return AskToTrustServer(this, server); })
                .value_or(false);
          };
          try {
            TestRemoteLogin(account, trust, &job.CancelFlag());
            return TTestOutcome::Connected;
          } catch (const TStartFolderError&) {
            return TTestOutcome::StartFolderUnknown;
          } catch (const TFolderListingError&) {
            return TTestOutcome::ListingFailed;
          } catch (const std::exception&) {
            return TTestOutcome::Failed;
          }
        },
        [this](TTestOutcome outcome) {
          Button1->setEnabled(true);
          ShowTestOutcome(outcome);
        });
  });
}

void TFormInstellingen::ShowTestOutcome(TTestOutcome outcome) {
  if (outcome == TTestOutcome::Failed) {
    ShowMessage(this, MessageType::Error,
                QStringLiteral("Kan geen verbinding maken! Controleer de ftp gegevens!"),
                MessageButtons::Ok);
    return;
  }
  if (outcome == TTestOutcome::ListingFailed) {
    ShowMessage(this, MessageType::Error,
                QStringLiteral("De aanmelding is gelukt, maar de map kan niet worden gelezen. Het "
                               "uploaden zal ook mislukken. Probeer de passieve modus of vraag "
                               "de beheerder van de server naar de firewall."),
                MessageButtons::Ok);
    return;
  }
  ShowMessage(this, MessageType::Information, QStringLiteral("Verbinding is geslaagd!"),
              MessageButtons::Ok);
  if (outcome == TTestOutcome::StartFolderUnknown)
    ShowMessage(this, MessageType::Error,
                QStringLiteral("Startmap is onbekend. Vb: www/fotos_artikelen/"),
                MessageButtons::Ok);
}

bool OpenSettingsDialog(TSettingsPage page, TSettings& settings,
                        const std::function<void()>& save_settings, QWidget* owner,
                        TWebsiteGroup* group) {
  TFormInstellingen dialog(settings, save_settings, owner);
  dialog.ShowPage(page);
  if (page == TSettingsPage::Website && group) dialog.SetWebsiteGroup(*group);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (page == TSettingsPage::Website && group) *group = dialog.WebsiteGroup();
  return true;
}

}  // namespace fotoloom
