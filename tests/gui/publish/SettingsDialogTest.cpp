#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsScramble.h"
#include "gui/common/PhotoListModel.h"
#include "gui/publish/TFormInstellingen.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/window/UploadCommand.h"
#include "support/LoopbackServers.h"
#include "support/TempDir.h"

Q_DECLARE_METATYPE(fotoloom::TSettingsPage)

namespace fotoloom {
namespace {

template <typename Widget>
Widget* Find(const QWidget* window, const char* name) {
  auto* found = window->findChild<Widget*>(QString::fromLatin1(name));
  if (!found) qFatal("no control named %s", name);
  return found;
}

void Click(const QWidget* window, const char* name) {
  QTest::mouseClick(Find<QAbstractButton>(window, name), Qt::LeftButton);
}

// Clicks on the indicator of a check box or radio button, which may stand far left of the
// middle of a wide control.
void ClickOption(const QWidget* window, const char* name) {
  auto* option = Find<QAbstractButton>(window, name);
  QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
}

// Clicks into the field and types the new text over the old one.
void Retype(const QWidget* window, const char* name, const QString& text) {
  auto* field = Find<QLineEdit>(window, name);
  QTest::mouseClick(field, Qt::LeftButton);
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClicks(field, text);
}

// Opens the box's list and clicks the choice in it, as a user does.
bool Choose(const QWidget* window, const char* name, const QString& choice) {
  auto* box = Find<QComboBox>(window, name);
  QTest::mouseClick(box, Qt::LeftButton);
  QAbstractItemView* list = box->view();
  if (!QTest::qWaitForWindowExposed(list->window())) return false;
  const QPoint where = list->visualRect(list->model()->index(box->findText(choice), 0)).center();
  // The box ignores a release that comes too soon after it opened unless the mouse moved,
  // and the pointer may already stand where the choice is.
  QTest::mouseMove(list->viewport(), where + QPoint(0, 2));
  QTest::mouseMove(list->viewport(), where);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
  return box->currentText() == choice && !list->isVisible();
}

// The pages a user can see: the dialog shows exactly one.
QStringList VisiblePages(const QWidget* window) {
  auto* pages = Find<QTabWidget>(window, "PageControl1");
  QStringList visible;
  for (int i = 0; i < pages->count(); ++i)
    if (pages->isTabVisible(i)) visible.append(pages->widget(i)->objectName());
  return visible;
}

// Opens the result list's menu over the main window and clicks one of its items.
void ClickResultMenuItem(test::MainWindowFixture& main, const char* item_name) {
  auto* menu = main.form->findChild<QMenu*>(QStringLiteral("PopupMenuResults"));
  auto* item = menu->findChild<QAction*>(QString::fromLatin1(item_name));
  if (!item) qFatal("no menu item %s", item_name);
  menu->popup(main.form->mapToGlobal(QPoint(100, 100)));
  if (!QTest::qWaitForWindowExposed(menu)) qFatal("the menu does not show");
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

void WriteFile(const QString& path, const QByteArray& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) qFatal("cannot write");
}

// Acts on the settings dialog when it shows modally; closes it afterwards if a failed check
// in `act` left it open, so that a failure never leaves the test waiting.
void WhenDialogShows(std::function<void(TFormInstellingen*)> act) {
  test::WhenModalShows<TFormInstellingen>([act = std::move(act)](TFormInstellingen* dialog) {
    act(dialog);
    if (dialog->isVisible()) dialog->reject();
  });
}

// A port on 127.0.0.1 that takes connections and never says a word: a server that hangs.
class SilentServer {
 public:
  SilentServer() : m_socket(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_socket < 0 || bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(m_socket, 4) != 0 ||
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      qFatal("no silent server");
    m_port = ntohs(address.sin_port);
  }
  ~SilentServer() { close(m_socket); }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  int Port() const { return m_port; }

 private:
  int m_socket;
  int m_port = 0;
};

// The FTP page of a dialog on `settings`, shown and active.
std::unique_ptr<TFormInstellingen> ShowFtpPage(TSettings& settings) {
  auto dialog = std::make_unique<TFormInstellingen>(
      settings, [] {}, nullptr);
  dialog->ShowPage(TSettingsPage::Ftp);
  dialog->show();
  dialog->activateWindow();
  if (!QTest::qWaitForWindowActive(dialog.get())) qFatal("the dialog does not show");
  return dialog;
}

QString Loopback(int port) {
  return QStringLiteral("127.0.0.1:%1").arg(port);
}

QStringList Texts(const test::ScriptedMessages& messages) {
  QStringList texts;
  for (const MessageRequest& request : messages.asked) texts.append(request.text);
  return texts;
}

const QString kConnected = QStringLiteral("Verbinding is geslaagd!");
const QString kNoConnection =
    QStringLiteral("Kan geen verbinding maken! Controleer de ftp gegevens!");
const QString kUnknownStartFolder =
    QStringLiteral("Startmap is onbekend. Vb: www/fotos_artikelen/");

QByteArray Scrambled(const char* plain) {
  return QByteArray::fromStdString(ScrambleSetting(plain, kSettingsKey));
}

}  // namespace

class SettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // The four checks in their order, each keeping the dialog open with the focus where the
  // fault is; "&" in any of the three fields leaves the focus on the save button.
  void websitePageChecks_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("all empty") << ""
                               << ""
                               << ""
                               << "U heeft geen code ingevuld!"
                               << "editCode";
    QTest::newRow("blank code") << "  "
                                << "Zomer"
                                << "Gent"
                                << "U heeft geen code ingevuld!"
                                << "editCode";
    QTest::newRow("no description") << "Z24"
                                    << ""
                                    << "Gent"
                                    << "U heeft geen omschrijving ingevuld!"
                                    << "editOmschrijving";
    QTest::newRow("blank description") << "Z24"
                                       << "   "
                                       << ""
                                       << "U heeft geen omschrijving ingevuld!"
                                       << "editOmschrijving";
    QTest::newRow("no location") << "Z24"
                                 << "Zomer"
                                 << " "
                                 << "U heeft geen lokatie ingevuld!"
                                 << "editLokatie";
    QTest::newRow("& in location") << "Z24"
                                   << "Zomer"
                                   << "Gent&Brugge"
                                   << "U mag geen & teken gebruiken!"
                                   << "btnOpslaan";
    QTest::newRow("& in code") << "&"
                               << "Zomer"
                               << "Gent"
                               << "U mag geen & teken gebruiken!"
                               << "btnOpslaan";
    QTest::newRow("& in description") << "Z24"
                                      << "Zon & zee"
                                      << "Gent"
                                      << "U mag geen & teken gebruiken!"
                                      << "btnOpslaan";
    QTest::newRow("all right") << " Z24 "
                               << "Zomer"
                               << "Gent"
                               << ""
                               << "";
  }

  void websitePageChecks() {
    QFETCH(QString, code);
    QFETCH(QString, description);
    QFETCH(QString, location);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TSettings settings;
    int saves = 0;
    TFormInstellingen dialog(
        settings, [&] { ++saves; }, nullptr);
    dialog.ShowPage(TSettingsPage::Website);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    Retype(&dialog, "editCode", code);
    Retype(&dialog, "editOmschrijving", description);
    Retype(&dialog, "editLokatie", location);

    test::ScriptedMessages messages({MessageAnswer::Ok});
    Click(&dialog, "btnOpslaan");
    if (message.isEmpty()) {
      QVERIFY(messages.asked.isEmpty());
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QVERIFY(!dialog.isVisible());
      const TWebsiteGroup group = dialog.WebsiteGroup();
      QCOMPARE(group.code, code);  // as typed: only the check trims
      QCOMPARE(group.location, location);
    } else {
      QCOMPARE(messages.asked.size(), 1);
      QCOMPARE(messages.asked[0].type, MessageType::Warning);
      QCOMPARE(messages.asked[0].text, message);
      QCOMPARE(messages.asked[0].buttons, MessageButtons::Ok);
      QVERIFY(dialog.isVisible());
      QCOMPARE(QApplication::focusWidget()->objectName(), focus);
      QCOMPARE(Find<QLineEdit>(&dialog, "editLokatie")->text(), location);
    }
    QCOMPARE(settings, TSettings{});
    QCOMPARE(saves, 0);
  }

  // The opener shows the group values with their captions and gets back what was confirmed;
  // a group without a date proposes today, one with a date keeps it.
  void websiteOpenerFillsAndReadsTheGroup() {
    TSettings settings;
    TWebsiteGroup group{.code = "Z24", .description = "Zomer", .location = "Gent"};
    QDate shown_date;
    WhenDialogShows([&](TFormInstellingen* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Vul de website gegevens in..."));
      QCOMPARE(Find<QPushButton>(dialog, "btnOpslaan")->text(), QStringLiteral("Opslaan"));
      QCOMPARE(VisiblePages(dialog), QStringList{"tsWebsite"});
      QCOMPARE(Find<QLineEdit>(dialog, "editOmschrijving")->text(), QStringLiteral("Zomer"));
      shown_date = Find<QDateEdit>(dialog, "editDatum")->date();
      ClickOption(dialog, "chkAddGroup");
      Retype(dialog, "editLokatie", QStringLiteral("Brugge"));
      Click(dialog, "btnOpslaan");
    });
    QVERIFY(OpenSettingsDialog(TSettingsPage::Website, settings, {}, nullptr, &group));
    QCOMPARE(shown_date, QDate::currentDate());
    QCOMPARE(group.location, QStringLiteral("Brugge"));
    QCOMPARE(group.date, QDate::currentDate());
    QVERIFY(group.add_to_group);

    group.date = QDate(2024, 5, 1);
    WhenDialogShows([&](TFormInstellingen* dialog) {
      shown_date = Find<QDateEdit>(dialog, "editDatum")->date();
      QVERIFY(Find<QCheckBox>(dialog, "chkAddGroup")->isChecked());
      Click(dialog, "btnOpslaan");
    });
    QVERIFY(OpenSettingsDialog(TSettingsPage::Website, settings, {}, nullptr, &group));
    QCOMPARE(shown_date, QDate(2024, 5, 1));
    QCOMPARE(group.date, QDate(2024, 5, 1));
  }

  // The menu item opens the FTP page of a file written before the connection choices
  // existed; the save writes the six fields and the new choices to the file at once,
  // including a field made empty.
  void ftpPageIsSavedToTheFileAtOnce() {
    test::MainWindowFixture main;
    QDir().mkpath(main.DataFolder());
    WriteFile(main.SettingsFile(), "[Settings]\nHost=" + Scrambled("ftp.oud.nl") +
                                       "\nUsername=" + Scrambled("jan") +
                                       "\nPassword=" + Scrambled("geheim") + "\n");
    QVERIFY(main.ShowActive());
    auto* next = main.Find<QPushButton>(QStringLiteral("btnNext"));

    bool was_busy = false;
    QStringList pages, fields;
    QString caption, save_caption, protocol;
    bool passive = true;
    WhenDialogShows([&](TFormInstellingen* dialog) {
      was_busy = !next->isEnabled();
      caption = dialog->windowTitle();
      save_caption = Find<QPushButton>(dialog, "btnOpslaan")->text();
      pages = VisiblePages(dialog);
      for (const char* name : {"editHost", "editUsername", "editPassword", "editStartdir"})
        fields.append(Find<QLineEdit>(dialog, name)->text());
      protocol = Find<QComboBox>(dialog, "cmbVerbinding")->currentText();
      passive = Find<QCheckBox>(dialog, "chkPassieveModus")->isChecked();
      QCOMPARE(Find<QLineEdit>(dialog, "editPassword")->echoMode(), QLineEdit::Password);

      QVERIFY(Choose(dialog, "cmbVerbinding", QStringLiteral("FTP met TLS (FTPES)")));
      ClickOption(dialog, "chkPassieveModus");
      Retype(dialog, "editHost", QStringLiteral("ftp.nieuw.nl"));
      Retype(dialog, "editUsername", QString());
      Retype(dialog, "editStartdir", QStringLiteral("www/fotos/"));
      Retype(dialog, "editScriptLine", QStringLiteral("https://nieuw.nl/foto.php?f=%s"));
      Retype(dialog, "editScript", QStringLiteral("https://nieuw.nl/klaar.php"));
      Click(dialog, "btnOpslaan");
    });
    ClickResultMenuItem(main, "FTPgegevensinstellen");

    QTRY_VERIFY(!pages.isEmpty());
    QVERIFY(was_busy);
    QCOMPARE(caption, QStringLiteral("FTP Gegevens"));
    QCOMPARE(save_caption, QStringLiteral("Opslaan"));
    QCOMPARE(pages, QStringList{"tsFTP"});
    QCOMPARE(fields, (QStringList{"ftp.oud.nl", "jan", "geheim", ""}));
    QCOMPARE(protocol, QStringLiteral("FTP"));
    QVERIFY(!passive);
    QTRY_VERIFY(next->isEnabled());

    const TSettings stored = LoadSettings(TIniFile(main.SettingsFile().toStdString()));
    QCOMPARE(stored.Host, "ftp.nieuw.nl");
    QCOMPARE(stored.Username, "");
    QCOMPARE(stored.Password, "geheim");
    QCOMPARE(stored.Startdir, "www/fotos/");
    QCOMPARE(stored.ScriptLine, "https://nieuw.nl/foto.php?f=%s");
    QCOMPARE(stored.Script, "https://nieuw.nl/klaar.php");
    QCOMPARE(stored.FtpProtocol, TFtpProtocol::Ftpes);
    QVERIFY(stored.FtpPassive);
    QCOMPARE(main.form->Settings().Host, "ftp.nieuw.nl");
  }

  // In the custom mode the upload asks for the group on the website page: closing it ends
  // the command with nothing kept; a confirmed group is kept and the upload goes on.
  void groupUploadAsksOnTheWebsitePage() {
    test::MainWindowFixture main;
    main.form = std::make_unique<TFormMain>(main.DataFolder(), QStringList{"-custom=kestrova"});
    QVERIFY(main.ShowActive());
    main.form->SetResultCommandsEnabled(true);
    main.Find<QStackedWidget>(QStringLiteral("Notebook1"))->setCurrentIndex(1);
    main.AddPhoto(main.Home() + '/', QStringLiteral("a.jpg"), QStringLiteral("ListView3"));
    qobject_cast<TPhotoListModel*>(main.Find<QTreeView>(QStringLiteral("ListView3"))->model())
        ->SetChecked(0, true);
    TSettings& settings = main.form->Settings();
    settings.Host = "127.0.0.1:1";  // refuses at once
    settings.Username = "jan";
    settings.Password = "geheim";
    auto* upload = main.Find<QPushButton>(QStringLiteral("btnUploaden"));

    QString caption;
    QDate proposed;
    WhenDialogShows([&](TFormInstellingen* dialog) {
      caption = dialog->windowTitle();
      proposed = Find<QDateEdit>(dialog, "editDatum")->date();
      Retype(dialog, "editCode", QStringLiteral("Z24"));
      Click(dialog, "btnClose");
    });
    {
      test::ScriptedMessages messages({MessageAnswer::Yes});
      QTest::mouseClick(upload, Qt::LeftButton);
      QCOMPARE(messages.asked.size(), 1);  // the confirmation before it
    }
    QCOMPARE(caption, QStringLiteral("Vul de website gegevens in..."));
    QCOMPARE(proposed, QDate::currentDate());
    QVERIFY(main.form->Upload().Group().code.isEmpty());
    QVERIFY(!main.form->Upload().ProgressWindow());

    WhenDialogShows([&](TFormInstellingen* dialog) {
      Retype(dialog, "editCode", QStringLiteral("Z24"));
      Retype(dialog, "editOmschrijving", QStringLiteral("Zomer"));
      Retype(dialog, "editLokatie", QStringLiteral("Gent"));
      Click(dialog, "btnOpslaan");
    });
    test::ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::No});
    QTest::mouseClick(upload, Qt::LeftButton);
    QCOMPARE(main.form->Upload().Group().code, QStringLiteral("Z24"));
    QCOMPARE(main.form->Upload().Group().date, QDate::currentDate());
    QVERIFY(main.form->Upload().ProgressWindow());
    // The refused connection's question ends the run.
    QTRY_COMPARE_WITH_TIMEOUT(messages.asked.size(), 2, 30000);
  }

  // The connection kind and the passive mode saved on the FTP page are what the upload uses:
  // FTPES asks a plain server for TLS and gives up, passive FTP sends over EPSV or PASV.
  void savedConnectionReachesTheUpload_data() {
    QTest::addColumn<QString>("connection");
    QTest::addColumn<bool>("passive");
    QTest::addColumn<QString>("closing");
    QTest::addColumn<QString>("command");
    QTest::newRow("FTPES to a plain server")
        << "FTP met TLS (FTPES)" << false
        << "Kan geen verbinding maken met de host. Wilt u nu de FTP gegevens controleren?"
        << "AUTH (TLS|SSL)";
    QTest::newRow("passive FTP") << "FTP" << true << "Het uploaden van de bestanden is voltooid!"
                                 << "EPSV|PASV";
  }

  void savedConnectionReachesTheUpload() {
    QFETCH(QString, connection);
    QFETCH(bool, passive);
    QFETCH(QString, closing);
    QFETCH(QString, command);
    const test::TempDir photos;
    const test::TempDir servers;
    const test::FtpServer ftp(servers.Path());
    test::WriteFileBytes(photos.File("a.jpg"), std::vector<uint8_t>(20000, 'x'));
    test::MainWindowFixture main;
    QVERIFY(main.ShowActive());
    main.form->SetResultCommandsEnabled(true);
    main.Find<QStackedWidget>(QStringLiteral("Notebook1"))->setCurrentIndex(1);
    main.AddPhoto(QString::fromStdString(photos.Path() + "/"), QStringLiteral("a.jpg"),
                  QStringLiteral("ListView3"));
    qobject_cast<TPhotoListModel*>(main.Find<QTreeView>(QStringLiteral("ListView3"))->model())
        ->SetChecked(0, true);
    TSettings& settings = main.form->Settings();
    settings.Host = "127.0.0.1:" + std::to_string(ftp.Port());
    settings.Username = test::FtpServer::kUser;
    settings.Password = test::FtpServer::kPassword;

    WhenDialogShows([&](TFormInstellingen* dialog) {
      QVERIFY(Choose(dialog, "cmbVerbinding", connection));
      if (passive) ClickOption(dialog, "chkPassieveModus");
      Click(dialog, "btnOpslaan");
    });
    ClickResultMenuItem(main, "FTPgegevensinstellen");
    QTRY_COMPARE(settings.FtpPassive, passive);

    test::ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::No});
    QTest::mouseClick(main.Find<QPushButton>(QStringLiteral("btnUploaden")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(messages.asked.size(), 2, 30000);
    QCOMPARE(messages.asked[1].text, closing);
    const QRegularExpression sent(QStringLiteral("^(%1)").arg(command));
    bool sent_command = false;
    for (const std::string& line : ftp.Commands())
      sent_command |= sent.match(QString::fromStdString(line)).hasMatch();
    QVERIFY(sent_command);
    QCOMPARE(QFile::exists(QString::fromStdString(ftp.Root() + "a.jpg")), passive);
  }

  // The SMTP panel follows the stored choice and each click on the radio buttons; the save
  // keeps the choice and the SMTP fields in the record, and the file waits for the next save.
  void emailSettingsPanelFollowsTheRadioButtons_data() {
    QTest::addColumn<bool>("use_mail_program");
    QTest::newRow("mail program stored") << true;
    QTest::newRow("built-in client stored") << false;
  }

  void emailSettingsPanelFollowsTheRadioButtons() {
    QFETCH(bool, use_mail_program);
    test::MainWindowFixture main;
    QDir().mkpath(main.DataFolder());
    WriteFile(main.SettingsFile(), QByteArray("[Settings]\nEmailUseOutLook=") +
                                       (use_mail_program ? "1" : "0") +
                                       "\nEmailHost=smtp.oud.nl\n");
    QVERIFY(main.ShowActive());
    const QByteArray file_before = [&] {
      QFile file(main.SettingsFile());
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    QString caption, port, security;
    int max_mb = 0;
    bool size_field_fits = false;
    bool panel_at_start = false, panel_after_outlook = true, panel_after_fotoloom = false;
    WhenDialogShows([&](TFormInstellingen* dialog) {
      caption = dialog->windowTitle();
      auto* panel = Find<QWidget>(dialog, "panelEmailInstellingen");
      panel_at_start = panel->isVisible();
      port = Find<QLineEdit>(dialog, "EditEmailPort")->text();
      security = Find<QComboBox>(dialog, "cmbBeveiliging")->currentText();
      QCOMPARE(Find<QRadioButton>(dialog, "RadioSendEmailOutlook")->text(),
               QStringLiteral("Stuur emailbericht vanuit uw e-mailprogramma"));
      ClickOption(dialog, "RadioSendEmailOutlook");
      panel_after_outlook = panel->isVisible();
      ClickOption(dialog, "RadioSendEmailFotoloom");
      panel_after_fotoloom = panel->isVisible();
      Retype(dialog, "EditEmailPort", QStringLiteral("2525"));
      Retype(dialog, "EditEmailUsername", QStringLiteral("jan@oud.nl"));
      Retype(dialog, "EditEmailPassword", QStringLiteral("s3cr3t"));
      QVERIFY(Choose(dialog, "cmbBeveiliging", QStringLiteral("SSL/TLS")));
      auto* max_size = Find<QSpinBox>(dialog, "editEmailMaxMB");
      max_mb = max_size->value();
      // The page's last field fits in the fixed window at its full height.
      const QRect area(max_size->mapTo(dialog, QPoint(0, 0)), max_size->size());
      size_field_fits = dialog->rect().contains(area) &&
                        max_size->height() >= max_size->minimumSizeHint().height();
      max_size->setFocus();
      QTest::keyClick(max_size, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(max_size, QStringLiteral("5"));
      Click(dialog, "btnOpslaan");
    });
    ClickResultMenuItem(main, "Emailinstellingen1");

    QTRY_VERIFY(!caption.isEmpty());
    QCOMPARE(caption, QStringLiteral("Emailinstellingen"));
    QCOMPARE(panel_at_start, !use_mail_program);
    QVERIFY(!panel_after_outlook);
    QVERIFY(panel_after_fotoloom);
    // A file without these keys gets an encrypted account.
    QCOMPARE(port, QStringLiteral("587"));
    QCOMPARE(security, QStringLiteral("STARTTLS"));
    QCOMPARE(max_mb, 20);
    QVERIFY(size_field_fits);

    const TSettings& s = main.form->Settings();
    QVERIFY(!s.EmailUseOutLook);
    QCOMPARE(s.EmailHost, "smtp.oud.nl");
    QCOMPARE(s.EmailPort, "465");  // the choice brings its port
    QCOMPARE(s.EmailUsername, "jan@oud.nl");
    QCOMPARE(s.EmailPassword, "s3cr3t");
    QCOMPARE(s.EmailSecurity, TEmailSecurity::SslTls);
    QVERIFY(!s.EmailPlainLogin);
    QCOMPARE(s.EmailMaxMB, 5);
    QFile file(main.SettingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), file_before);
  }

  // A stored "Geen" and port stay; each choice brings its port. A login without
  // encryption is saved only after the user said Yes to the warning; No keeps the dialog.
  void aPlainLoginIsSavedOnlyAfterAWarning() {
    test::MainWindowFixture main;
    QDir().mkpath(main.DataFolder());
    WriteFile(main.SettingsFile(),
              "[Settings]\nEmailUseOutLook=0\nEmailHost=smtp.oud.nl\n"
              "EmailPort=2525\nEmailSecurity=Geen\n");
    QVERIFY(main.ShowActive());
    QStringList ports;
    QList<MessageRequest> asked;
    bool open_after_no = false;
    WhenDialogShows([&](TFormInstellingen* dialog) {
      auto* port = Find<QLineEdit>(dialog, "EditEmailPort");
      ports << port->text() << Find<QComboBox>(dialog, "cmbBeveiliging")->currentText();
      for (const char* choice : {"SSL/TLS", "STARTTLS", "Geen"}) {
        QVERIFY(Choose(dialog, "cmbBeveiliging", QString::fromLatin1(choice)));
        ports << port->text();
      }
      Retype(dialog, "EditEmailUsername", QStringLiteral("jan"));
      test::ScriptedMessages messages({MessageAnswer::No, MessageAnswer::Yes});
      Click(dialog, "btnOpslaan");
      open_after_no = dialog->isVisible();
      Click(dialog, "btnOpslaan");
      asked = messages.asked;
    });
    ClickResultMenuItem(main, "Emailinstellingen1");
    QTRY_VERIFY(!ports.isEmpty());
    QCOMPARE(ports,
             QStringList({QStringLiteral("2525"), QStringLiteral("Geen"), QStringLiteral("465"),
                          QStringLiteral("587"), QStringLiteral("25")}));
    QVERIFY(open_after_no);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0].buttons, MessageButtons::YesNo);
    QVERIFY2(asked[0].text.startsWith(QStringLiteral("Zonder beveiliging gaan uw "
                                                     "gebruikersnaam en wachtwoord")),
             qPrintable(asked[0].text));
    const TSettings& s = main.form->Settings();
    QCOMPARE(s.EmailSecurity, TEmailSecurity::None);
    QCOMPARE(s.EmailPort, "25");
    QVERIFY(s.EmailPlainLogin);
  }

  // Every click into the recipient, copy and subject fields selects the whole text, also a
  // second click into text already selected; entering the body selects it. The save copies
  // the four fields into the record.
  void emailPageSelectsOnClickAndStoresInTheRecord() {
    TSettings settings;
    settings.EmailAddress = "piet@example.nl";
    settings.EmailCC = "kees@example.nl";
    settings.EmailSubject = "Foto's";
    settings.EmailBody = "Hallo,\nhier zijn ze.";
    QStringList selected;
    QString caption, save_caption;
    WhenDialogShows([&](TFormInstellingen* dialog) {
      caption = dialog->windowTitle();
      save_caption = Find<QPushButton>(dialog, "btnOpslaan")->text();
      for (const char* name : {"editEmailaddress", "EditEmailCC", "editEmailSubject"}) {
        auto* field = Find<QLineEdit>(dialog, name);
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(4, field->height() / 2));
        selected.append(field->selectedText());
      }
      auto* to = Find<QLineEdit>(dialog, "editEmailaddress");
      for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(to, Qt::LeftButton, {}, to->rect().center());
        selected.append(to->selectedText());
      }
      QTest::keyClicks(to, QStringLiteral("marie@example.nl"));
      auto* subject = Find<QLineEdit>(dialog, "editEmailSubject");
      QTest::mouseClick(subject, Qt::LeftButton);
      QTest::keyClick(subject, Qt::Key_Tab);
      auto* body = Find<QPlainTextEdit>(dialog, "memoEmailBody");
      QTRY_VERIFY(body->hasFocus());  // the dialog may become active late on a busy machine
      selected.append(body->textCursor().selectedText());
      QTest::keyClicks(body, QStringLiteral("Tot zaterdag"));
      QTest::keyClick(body, Qt::Key_Return);
      QTest::keyClicks(body, QStringLiteral("Jan"));
      Click(dialog, "btnOpslaan");
    });
    QVERIFY(OpenSettingsDialog(TSettingsPage::Email, settings, {}, nullptr));
    QCOMPARE(caption, QStringLiteral("Vul de email gegevens in..."));
    QCOMPARE(save_caption, QStringLiteral("Email versturen"));
    QCOMPARE(selected,
             (QStringList{"piet@example.nl", "kees@example.nl", "Foto's", "piet@example.nl",
                          "piet@example.nl", QStringLiteral("Hallo,\u2029hier zijn ze.")}));
    QCOMPARE(settings.EmailAddress, "marie@example.nl");
    QCOMPARE(settings.EmailCC, "kees@example.nl");
    QCOMPARE(settings.EmailBody, "Tot zaterdag\nJan");
  }

  // "&Annuleren" and the window's close button store nothing on any page and write no file.
  void cancelStoresNothing_data() {
    QTest::addColumn<TSettingsPage>("page");
    QTest::addColumn<bool>("close_button");
    QTest::addColumn<QString>("field");
    QTest::newRow("FTP") << TSettingsPage::Ftp << false << "editHost";
    QTest::newRow("FTP, close button") << TSettingsPage::Ftp << true << "editPassword";
    QTest::newRow("website") << TSettingsPage::Website << false << "editCode";
    QTest::newRow("email") << TSettingsPage::Email << false << "editEmailSubject";
    QTest::newRow("email settings") << TSettingsPage::EmailSettings << true << "EditEmailHost";
  }

  void cancelStoresNothing() {
    QFETCH(TSettingsPage, page);
    QFETCH(bool, close_button);
    QFETCH(QString, field);
    TSettings settings;
    settings.Host = "ftp.oud.nl";
    settings.EmailHost = "smtp.oud.nl";
    settings.EmailUseOutLook = false;  // so that the SMTP fields show
    const TSettings before = settings;
    TWebsiteGroup group{.code = "Z24"};
    int saves = 0;
    WhenDialogShows([&](TFormInstellingen* dialog) {
      Retype(dialog, field.toLatin1().constData(), QStringLiteral("anders"));
      if (close_button)
        dialog->close();
      else
        Click(dialog, "btnClose");
    });
    QVERIFY(!OpenSettingsDialog(
        page, settings, [&] { ++saves; }, nullptr, &group));
    QCOMPARE(settings, before);
    QCOMPARE(group.code, QStringLiteral("Z24"));
    QCOMPARE(saves, 0);
  }

  // The test button against a real FTP server, with the fields as typed (the record holds
  // other values and keeps them): the login, then the start folder when one is typed.
  void testButtonAgainstAnFtpServer_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("start_folder");
    QTest::addColumn<QStringList>("expected");
    const QString right = QString::fromLatin1(test::FtpServer::kPassword);
    QTest::newRow("no start folder") << right << "  " << QStringList{kConnected};
    QTest::newRow("start folder") << right << "www/fotos/" << QStringList{kConnected};
    QTest::newRow("wrong start folder")
        << right << "www/fotos_artikelen/" << QStringList{kConnected, kUnknownStartFolder};
    QTest::newRow("login refused") << "fout"
                                   << "www/fotos/" << QStringList{kNoConnection};
  }

  void testButtonAgainstAnFtpServer() {
    QFETCH(QString, password);
    QFETCH(QString, start_folder);
    QFETCH(QStringList, expected);
    const test::TempDir folder;
    const test::FtpServer server(folder.Path());
    QDir().mkpath(QString::fromStdString(server.Root()) + "www/fotos");
    TSettings settings;
    settings.Host = "ftp.elders.invalid";
    settings.Password = "oud";
    const TSettings before = settings;
    auto dialog = ShowFtpPage(settings);
    Retype(dialog.get(), "editHost", Loopback(server.Port()));
    Retype(dialog.get(), "editUsername", QString::fromLatin1(test::FtpServer::kUser));
    Retype(dialog.get(), "editPassword", password);
    Retype(dialog.get(), "editStartdir", start_folder);

    test::ScriptedMessages messages({MessageAnswer::Ok, MessageAnswer::Ok});
    Click(dialog.get(), "Button1");
    QTRY_COMPARE_WITH_TIMEOUT(Texts(messages), expected, 20000);
    QCOMPARE(messages.asked[0].type,
             expected[0] == kConnected ? MessageType::Information : MessageType::Error);
    QTRY_VERIFY(Find<QPushButton>(dialog.get(), "Button1")->isEnabled());
    QCOMPARE(settings, before);
    QCOMPARE(Find<QLineEdit>(dialog.get(), "editStartdir")->text(), start_folder);
  }

  // A server that takes the login but refuses the listing: the test says that uploads would
  // fail, not that all is well.
  void testButtonFailsWhenTheFolderCannotBeListed() {
    const test::TempDir folder;
    const test::FtpServer server(folder.Path(), false, 0, true);
    TSettings settings;
    auto dialog = ShowFtpPage(settings);
    Retype(dialog.get(), "editHost", Loopback(server.Port()));
    Retype(dialog.get(), "editUsername", QString::fromLatin1(test::FtpServer::kUser));
    Retype(dialog.get(), "editPassword", QString::fromLatin1(test::FtpServer::kPassword));
    test::ScriptedMessages messages({MessageAnswer::Ok});
    Click(dialog.get(), "Button1");
    QTRY_COMPARE_WITH_TIMEOUT(messages.asked.size(), 1, 20000);
    QCOMPARE(messages.asked[0].type, MessageType::Error);
    QVERIFY2(messages.asked[0].text.startsWith(
                 QStringLiteral("De aanmelding is gelukt, maar de map kan niet worden gelezen.")),
             qPrintable(messages.asked[0].text));
    QTRY_VERIFY(Find<QPushButton>(dialog.get(), "Button1")->isEnabled());
  }

  // A start folder with a line break, as a shared settings file can hold it: neither the
  // save nor the test lets it reach the server, and the dialog stays open.
  void ftpPageRefusesLineBreaksBeforeAnythingIsSent() {
    const test::TempDir folder;
    const test::FtpServer server(folder.Path());
    TSettings settings;
    settings.Host = Loopback(server.Port()).toStdString();
    settings.Username = test::FtpServer::kUser;
    settings.Password = test::FtpServer::kPassword;
    settings.Startdir = "www\r\nDELE index.html";
    const TSettings before = settings;
    int saves = 0;
    TFormInstellingen dialog(
        settings, [&] { ++saves; }, nullptr);
    dialog.ShowPage(TSettingsPage::Ftp);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    test::ScriptedMessages messages({MessageAnswer::Ok, MessageAnswer::Ok});
    Click(&dialog, "btnOpslaan");
    Click(&dialog, "Button1");
    QTRY_COMPARE(messages.asked.size(), 2);
    for (const MessageRequest& request : messages.asked) {
      QCOMPARE(request.type, MessageType::Warning);
      QVERIFY2(request.text.startsWith(QStringLiteral("De startmap bevat een regeleinde")),
               qPrintable(request.text));
    }
    QVERIFY(dialog.isVisible());
    QCOMPARE(settings, before);
    QCOMPARE(saves, 0);
    QVERIFY(server.Commands().empty());
  }

  // A server that never answers: the dialog goes on taking input while the test waits, and
  // the time limit ends in the failure message. A host text that names no server fails at
  // once with the same message.
  void testButtonGivesUpWithoutFreezing() {
    const SilentServer server;
    TSettings settings;
    auto dialog = ShowFtpPage(settings);
    Retype(dialog.get(), "editHost", Loopback(server.Port()));
    test::ScriptedMessages messages;
    Click(dialog.get(), "Button1");
    auto* test_button = Find<QPushButton>(dialog.get(), "Button1");
    QVERIFY(!test_button->isEnabled());
    Retype(dialog.get(), "editScript", QStringLiteral("typen gaat door"));
    QCOMPARE(Find<QLineEdit>(dialog.get(), "editScript")->text(),
             QStringLiteral("typen gaat door"));
    QVERIFY(messages.asked.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(Texts(messages), QStringList{kNoConnection}, 30000);
    QVERIFY(test_button->isEnabled());

    messages.asked.clear();
    Retype(dialog.get(), "editHost", QStringLiteral("gopher://127.0.0.1"));
    Click(dialog.get(), "Button1");
    QTRY_COMPARE(Texts(messages), QStringList{kNoConnection});
  }

  // FTPES with a certificate nobody vouches for: the question shows its fingerprint; No
  // refuses the connection, Yes trusts it from then on, so a third test asks nothing.
  void testButtonAsksToTrustAnUnknownCertificate() {
    const test::TempDir folder;
    test::MakeCertificate(folder.Path());
    const test::FtpServer server(folder.Path(), true);
    TSettings settings;
    auto dialog = ShowFtpPage(settings);
    QVERIFY(Choose(dialog.get(), "cmbVerbinding", QStringLiteral("FTP met TLS (FTPES)")));
    Retype(dialog.get(), "editHost", Loopback(server.Port()));
    Retype(dialog.get(), "editUsername", QString::fromLatin1(test::FtpServer::kUser));
    Retype(dialog.get(), "editPassword", QString::fromLatin1(test::FtpServer::kPassword));
    auto* test_button = Find<QPushButton>(dialog.get(), "Button1");

    test::ScriptedMessages messages({MessageAnswer::No, MessageAnswer::Ok, MessageAnswer::Yes,
                                     MessageAnswer::Ok, MessageAnswer::Ok});
    QTest::mouseClick(test_button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(messages.asked.size(), 2, 20000);
    QCOMPARE(messages.asked[0].type, MessageType::Confirmation);
    QVERIFY(messages.asked[0].text.contains(QStringLiteral("Vingerafdruk: SHA256:")));
    QCOMPARE(messages.asked[1].text, kNoConnection);

    QTRY_VERIFY(test_button->isEnabled());
    QTest::mouseClick(test_button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(messages.asked.size(), 4, 20000);
    QCOMPARE(messages.asked[2].type, MessageType::Confirmation);
    QCOMPARE(messages.asked[3].text, kConnected);

    QTRY_VERIFY(test_button->isEnabled());
    QTest::mouseClick(test_button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(messages.asked.size(), 5, 20000);
    QCOMPARE(messages.asked[4].text, kConnected);
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::SettingsDialogTest)
#include "SettingsDialogTest.moc"
