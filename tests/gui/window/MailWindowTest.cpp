#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <QUrlQuery>
#include <cstdio>
#include <regex>

#include "gui/common/PhotoListModel.h"
#include "gui/publish/TFormInstellingen.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/window/MailCommand.h"
#include "support/LoopbackServers.h"
#include "support/TempDir.h"

namespace fotoloom {

using test::ScriptedMessages;
using test::SmtpServer;

// Receives the addresses that Qt hands to the desktop.
class TUrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void Open(const QUrl& url) { urls << url; }
};

// Sets environment variables for its lifetime.
class ScopedEnvironment {
 public:
  void Set(const char* name, const QByteArray& value) {
    m_saved.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
    qputenv(name, value);
  }
  ~ScopedEnvironment() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
      if (it->was_set)
        qputenv(it->name, it->value);
      else
        qunsetenv(it->name);
    }
  }

 private:
  struct TSaved {
    const char* name;
    bool was_set;
    QByteArray value;
  };
  QList<TSaved> m_saved;
};

class MailWindowTest : public QObject {
  Q_OBJECT

  struct TTyped {
    QString to, cc, subject, body;
  };

  static QList<std::string> Lines(const std::vector<std::string>& lines) {
    return QList<std::string>(lines.begin(), lines.end());
  }

  static QPushButton* MailButton(const test::MainWindowFixture& main) {
    return main.Find<QPushButton>(QStringLiteral("btnMailen"));
  }

  // Step 3 after a run, with these photos of `folder` in the result list. The run's target
  // folder is elsewhere, as after a run that left the photos where they were.
  static bool ShowStep3(test::MainWindowFixture& main, const test::TempDir& folder,
                        const QStringList& photos) {
    if (!main.ShowActive()) return false;
    main.form->SetTargetFolder(QStringLiteral("/elders/"));
    for (int i = 0; i < photos.size(); ++i)
      AddResult(main, folder, photos[i],
                std::vector<uint8_t>(30000 + 1000 * i, static_cast<uint8_t>('a' + i)));
    main.form->SetResultCommandsEnabled(true);
    main.Find<QStackedWidget>(QStringLiteral("Notebook1"))->setCurrentIndex(1);
    return MailButton(main)->isVisible() && MailButton(main)->isEnabled();
  }

  // Writes the photo into `folder` and puts its entry into the result list.
  static void AddResult(test::MainWindowFixture& main, const test::TempDir& folder,
                        const QString& name, const std::vector<uint8_t>& bytes) {
    test::WriteFileBytes(folder.File(name.toStdString()), bytes);
    main.AddPhoto(QString::fromStdString(folder.Path() + "/"), name, QStringLiteral("ListView3"));
  }

  static void ClickCheckBox(const test::MainWindowFixture& main, int row) {
    test::ClickCheckBox(main.Find<QTreeView>(QStringLiteral("ListView3")), row);
  }

  static void UseSmtp(test::MainWindowFixture& main, const SmtpServer& server) {
    TSettings& settings = main.form->Settings();
    settings.EmailUseOutLook = false;
    settings.EmailHost = "127.0.0.1";
    settings.EmailPort = std::to_string(server.Port());
    settings.EmailSecurity = TEmailSecurity::None;
    settings.EmailFrom = "jan@example.nl";
  }

  // Fills in the e-mail page as a user does when it shows, and presses its save button.
  // `shown` gets the window's and the button's captions.
  static void WhenMailPageShows(const TTyped& typed, QStringList* shown = nullptr) {
    test::WhenModalShows<TFormInstellingen>([typed, shown](TFormInstellingen* dialog) {
      if (shown)
        *shown << dialog->windowTitle()
               << dialog->findChild<QPushButton*>(QStringLiteral("btnOpslaan"))->text();
      const auto type = [dialog](const char* name, const QString& text) {
        auto* field = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
        QTest::mouseClick(field, Qt::LeftButton);  // selects the whole text
        if (text.isEmpty())
          QTest::keyClick(field, Qt::Key_Delete);
        else
          QTest::keyClicks(field, text);
      };
      type("editEmailaddress", typed.to);
      type("EditEmailCC", typed.cc);
      type("editEmailSubject", typed.subject);
      auto* body = dialog->findChild<QPlainTextEdit*>(QStringLiteral("memoEmailBody"));
      body->setFocus();
      QTest::keyClicks(body, typed.body);
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnOpslaan")),
                        Qt::LeftButton);
    });
  }

  // Clicks the mail button with these answers and waits for the command to end.
  QList<MessageRequest> Mail(test::MainWindowFixture& main, QList<MessageAnswer> answers) {
    ScriptedMessages messages(std::move(answers));
    QSignalSpy finished(&main.form->Mail(), &TMailCommand::Finished);
    m_busy_during_send = false;
    QTest::mouseClick(MailButton(main), Qt::LeftButton);
    // A send under way keeps the buttons busy until it ends.
    m_busy_during_send = !MailButton(main)->isEnabled();
    if (m_busy_during_send) finished.wait(20000);
    return messages.asked;
  }

  bool m_busy_during_send = false;

  // Step 3 with three checked photos of 400 kB and a budget of 1 MB per mail: three mails,
  // with the subject "Feest", once the mail page that shows next is filled in.
  static bool ShowThreePhotosOverOneMegabyte(test::MainWindowFixture& main,
                                             const test::TempDir& photos,
                                             const SmtpServer& server) {
    if (!ShowStep3(main, photos,
                   {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")}))
      return false;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
      test::WriteFileBytes(photos.File(name), std::vector<uint8_t>(400000, 'x'));
    UseSmtp(main, server);
    main.form->Settings().EmailMaxMB = 1;
    for (int row : {0, 1, 2}) ClickCheckBox(main, row);
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, QStringLiteral("Feest"), {}});
    return true;
  }

 private slots:
  // No photo checked, No to the question, Cancel on the e-mail page: nothing is sent and
  // the buttons are enabled again.
  void nothingGoesWithoutCheckAndConsent() {
    test::TempDir photos, servers;
    SmtpServer server(servers.Path(), SmtpServer::Security::None);
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, photos, {QStringLiteral("a.jpg")}));
    UseSmtp(main, server);

    QList<MessageRequest> asked = Mail(main, {});
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].text,
             QStringLiteral("Om te kunnen mailen moet u minimaal 1 foto aanvinken."));

    ClickCheckBox(main, 0);
    asked = Mail(main, {MessageAnswer::No});
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].type, MessageType::Confirmation);
    QCOMPARE(asked[0].text, QStringLiteral("Wilt u nu alle aangevinkte foto's mailen?"));

    QStringList shown;
    bool cancelled = false;
    test::WhenModalShows<TFormInstellingen>([&](TFormInstellingen* dialog) {
      shown << dialog->windowTitle()
            << dialog->findChild<QPushButton*>(QStringLiteral("btnOpslaan"))->text();
      QVERIFY(!MailButton(main)->isEnabled());
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnClose")),
                        Qt::LeftButton);
      cancelled = true;
    });
    asked = Mail(main, {MessageAnswer::Yes});
    QVERIFY(cancelled);
    QCOMPARE(shown, QStringList({QStringLiteral("Vul de email gegevens in..."),
                                 QStringLiteral("Email versturen")}));
    QCOMPARE(asked.size(), 1);
    QVERIFY(MailButton(main)->isEnabled());
    QCOMPARE(server.MailCount(), 0);
  }

  // Only the checked photos go, in list order, each from its own folder; a checked photo
  // that is gone is named and nothing goes; a second send carries only its own photos.
  void smtpSendsTheCheckedPhotos() {
    test::TempDir photos, servers;
    SmtpServer server(servers.Path(), SmtpServer::Security::None);
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, photos,
                      {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg"),
                       QStringLiteral("weg.jpg")}));
    UseSmtp(main, server);
    for (int row : {0, 2, 3}) ClickCheckBox(main, row);
    std::remove(photos.File("weg.jpg").c_str());
    QList<MessageRequest> asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[1].text, QStringLiteral("Deze aangevinkte foto bestaat niet meer: \"%1\". "
                                           "Er is niets gemaild.")
                                .arg(QString::fromStdString(photos.File("weg.jpg"))));
    QVERIFY(MailButton(main)->isEnabled());
    ClickCheckBox(main, 3);

    QStringList shown;
    WhenMailPageShows({QStringLiteral("piet@example.nl"), QString(), QStringLiteral("Foto's"),
                       QStringLiteral("Hallo")},
                      &shown);
    asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(shown.size(), 2);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[1].type, MessageType::Information);
    QCOMPARE(asked[1].text, QStringLiteral("Emailbericht is succesvol verstuurd!\n\n2 foto's "
                                           "verstuurd aan piet@example.nl."));
    QVERIFY(m_busy_during_send);
    QVERIFY(MailButton(main)->isEnabled());
    QCOMPARE(server.MailCount(), 1);
    QCOMPARE(Lines(server.Summary(1)),
             QList<std::string>({"FROM jan@example.nl", "RCPT piet@example.nl", "SUBJECT Foto's",
                                 "ATTACH image/jpeg a.jpg", "ATTACH image/jpeg c.jpg"}));
    const std::vector<uint8_t> c = test::ReadFileBytes(photos.File("c.jpg"));
    QVERIFY(server.Attachment(1, 2) == std::string(c.begin(), c.end()));
    // English whatever the user's locale (ctest runs this program under nl_NL.UTF-8 too).
    QVERIFY(std::regex_search(server.Message(1),
                              std::regex("(^|\r\n)Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d "
                                         "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ")));

    // The second mail: only c.jpg, and a copy to Kees.
    ClickCheckBox(main, 0);
    WhenMailPageShows({QStringLiteral("piet@example.nl"), QStringLiteral("kees@example.nl"),
                       QStringLiteral("Nog een"), QString()});
    asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    QCOMPARE(server.MailCount(), 2);
    QCOMPARE(
        Lines(server.Summary(2)),
        QList<std::string>({"FROM jan@example.nl", "RCPT piet@example.nl", "RCPT kees@example.nl",
                            "SUBJECT Nog een", "ATTACH image/jpeg c.jpg"}));
    QCOMPARE(main.form->Settings().EmailCC, std::string("kees@example.nl"));
  }

  // Photos of the same name from two folders: each mail part carries its own file.
  void photosOfTwoFoldersKeepTheirOwnFiles() {
    test::TempDir first, second, servers;
    SmtpServer server(servers.Path(), SmtpServer::Security::None);
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, first, {QStringLiteral("foto.jpg")}));
    AddResult(main, second, QStringLiteral("foto.jpg"), std::vector<uint8_t>(20000, 'B'));
    UseSmtp(main, server);
    for (int row : {0, 1}) ClickCheckBox(main, row);
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, QStringLiteral("Twee"), {}});
    const QList<MessageRequest> asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    QVERIFY2(asked[1].text.endsWith(QStringLiteral("2 foto's verstuurd aan piet@example.nl.")),
             qPrintable(asked[1].text));
    QCOMPARE(server.MailCount(), 1);
    QCOMPARE(server.Summary(1).size(), size_t{5});
    for (const auto& [number, folder] : {std::pair{1, &first}, std::pair{2, &second}}) {
      const std::vector<uint8_t> bytes = test::ReadFileBytes(folder->File("foto.jpg"));
      QCOMPARE(server.Summary(1).at(2 + number), std::string("ATTACH image/jpeg foto.jpg"));
      QVERIFY(server.Attachment(1, number) == std::string(bytes.begin(), bytes.end()));
    }
  }

  // A server whose certificate no authority signed: the user is asked with its
  // fingerprint, and after Yes the mail goes and the next one goes without a question.
  void anUnknownCertificateIsAskedAbout() {
    test::TempDir photos, servers;
    test::MakeCertificate(servers.Path());
    SmtpServer server(servers.Path(), SmtpServer::Security::StartTls);
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, photos, {QStringLiteral("a.jpg")}));
    UseSmtp(main, server);
    main.form->Settings().EmailSecurity = TEmailSecurity::StartTls;
    ClickCheckBox(main, 0);
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, {}, {}});
    QList<MessageRequest> asked =
        Mail(main, {MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 3);
    QVERIFY2(
        asked[1].text.startsWith(
            QStringLiteral("Het certificaat van de server 127.0.0.1:%1 wordt niet vertrouwd: het "
                           "certificaat is door de server zelf ondertekend.\n"
                           "Vingerafdruk: SHA256:")
                .arg(server.Port())),
        qPrintable(asked[1].text));
    QVERIFY2(asked[2].text.startsWith(QStringLiteral("Emailbericht is succesvol")),
             qPrintable(asked[2].text));
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, {}, {}});
    asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    QCOMPARE(server.MailCount(), 2);
  }

  // A port text that is no number reaches the general error display before anything is
  // sent; a refused login shows the server's reply; both leave the buttons enabled.
  void failuresAreShown() {
    test::TempDir photos, servers;
    SmtpServer server(servers.Path(), SmtpServer::Security::None, true);
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, photos, {QStringLiteral("a.jpg")}));
    UseSmtp(main, server);
    ClickCheckBox(main, 0);
    main.form->Settings().EmailPort = "";
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, {}, {}});
    QList<MessageRequest> asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[1].caption, QStringLiteral("Fotoloom"));
    QCOMPARE(asked[1].text, QStringLiteral("'' is not a valid integer value."));
    QVERIFY(MailButton(main)->isEnabled());

    UseSmtp(main, server);
    main.form->Settings().EmailUsername = SmtpServer::kUser;
    main.form->Settings().EmailPassword = "fout";
    main.form->Settings().EmailPlainLogin = true;
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, {}, {}});
    asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[1].type, MessageType::Error);
    // What failed in Dutch; the server's words after it.
    QCOMPARE(asked[1].text,
             QStringLiteral("Er is een fout opgetreden tijdens het vesturen van het emailbericht: "
                            "De server 127.0.0.1:%1 heeft de gebruikersnaam of het wachtwoord "
                            "geweigerd. (535 5.7.8 Authentication credentials invalid)")
                 .arg(server.Port()));
    QVERIFY(MailButton(main)->isEnabled());
    QCOMPARE(server.MailCount(), 0);
  }

  // Over the budget the photos go in numbered mails after a question; one photo larger
  // than the budget is refused by name.
  void largeSelectionsAreSplit() {
    test::TempDir photos, servers;
    SmtpServer server(servers.Path(), SmtpServer::Security::None);
    test::MainWindowFixture main;
    QVERIFY(ShowThreePhotosOverOneMegabyte(main, photos, server));
    QList<MessageRequest> asked =
        Mail(main, {MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked[1].text, QStringLiteral("De foto's zijn samen groter dan 1 MB. Ze worden "
                                           "verdeeld over 3 e-mails. Wilt u doorgaan?"));
    QVERIFY2(asked[2].text.endsWith(QStringLiteral("3 foto's verstuurd aan piet@example.nl in 3 "
                                                   "e-mails.")),
             qPrintable(asked[2].text));
    QCOMPARE(server.MailCount(), 3);
    QCOMPARE(server.Summary(2).at(2), std::string("SUBJECT Feest (2/3)"));
    QCOMPARE(server.Summary(2).at(3), std::string("ATTACH image/jpeg b.jpg"));

    test::WriteFileBytes(photos.File("b.jpg"), std::vector<uint8_t>(900000, 'x'));
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, QStringLiteral("Feest"), {}});
    asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    // The size on disk is below the budget: the message says why it does not fit.
    QCOMPARE(asked[1].text,
             QStringLiteral("De foto \"b.jpg\" (%1) is groter dan de maximale grootte per e-mail "
                            "(1 MB): in een e-mail wordt een foto ongeveer een derde groter.")
                 .arg(QLocale().formattedDataSize(900000, 1, QLocale::DataSizeSIFormat)));
    QCOMPARE(server.MailCount(), 3);
    QVERIFY(MailButton(main)->isEnabled());
  }

  // When the second of three mails is refused, the user reads how many went out, and Yes
  // sends only the two that did not.
  void aFailedSplitSendsOnlyTheRest() {
    test::TempDir photos, servers;
    SmtpServer server(servers.Path(), SmtpServer::Security::None, false,
                      SmtpServer::Behaviour::RefuseSecondMessage);
    test::MainWindowFixture main;
    QVERIFY(ShowThreePhotosOverOneMegabyte(main, photos, server));
    QSignalSpy finished(&main.form->Mail(), &TMailCommand::Finished);
    ScriptedMessages messages(
        {MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::Ok});
    QTest::mouseClick(MailButton(main), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(messages.asked.size(), 4);
    QCOMPARE(messages.asked[2].type, MessageType::Error);
    QVERIFY2(messages.asked[2].text.startsWith(
                 QStringLiteral("Er is een fout opgetreden tijdens het vesturen van het "
                                "emailbericht: ")),
             qPrintable(messages.asked[2].text));
    QVERIFY2(messages.asked[2].text.endsWith(QStringLiteral(
                 "(554 5.7.1 Message refused)\n\n1 van 3 e-mails verstuurd. Wilt u de overige "
                 "e-mails nu versturen?")),
             qPrintable(messages.asked[2].text));
    QVERIFY2(messages.asked[3].text.endsWith(QStringLiteral("in 3 e-mails.")),
             qPrintable(messages.asked[3].text));
    QCOMPARE(server.MailCount(), 3);
    for (int mail = 1; mail <= 3; ++mail)
      QCOMPARE(server.Summary(mail).at(2), "SUBJECT Feest (" + std::to_string(mail) + "/3)");
    QVERIFY(MailButton(main)->isEnabled());
  }

  // The desktop road runs the real xdg-email, which hands a "mailto:" address to the mail
  // program registered for it: here a stand-in that records its arguments.
  void desktopMailProgramGetsTheCheckedPhotos() {
    test::TempDir photos, desktop;
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, photos,
                      {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")}));
    const std::string record = desktop.File("mail-program.txt");
    ScopedEnvironment environment;
    RegisterStandInMailProgram(environment, main, desktop, record);
    environment.Set("DISPLAY", ":99");  // xdg-email asks the desktop only when there is one
    for (int row : {0, 2}) ClickCheckBox(main, row);
    // Over the budget the mail program is not split into parts; the user is warned.
    test::WriteFileBytes(photos.File("c.jpg"), std::vector<uint8_t>(800000, 'c'));
    main.form->Settings().EmailMaxMB = 1;
    WhenMailPageShows({QStringLiteral("piet@example.nl"), QStringLiteral("kees@example.nl"),
                       QStringLiteral("Foto's & meer"), QString()});
    QSignalSpy finished(&main.form->Mail(), &TMailCommand::Finished);
    const QList<MessageRequest> asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[1].text, QStringLiteral("De foto's zijn samen groter dan 1 MB; de mailserver "
                                           "kan het bericht weigeren."));
    QVERIFY(MailButton(main)->isEnabled());

    const std::vector<std::string> lines = test::FileLines(record);
    QCOMPARE(lines.size(), size_t{1});
    const QUrl address(QString::fromStdString(lines[0]));
    QCOMPARE(address.scheme(), QStringLiteral("mailto"));
    // The copy field belongs to the SMTP road only.
    QCOMPARE(address.path(), QStringLiteral("piet@example.nl"));
    const QUrlQuery query(address);
    QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
             QStringLiteral("Foto's & meer"));
    QCOMPARE(query.allQueryItemValues(QStringLiteral("attach"), QUrl::FullyDecoded),
             QStringList({QString::fromStdString(photos.File("a.jpg")),
                          QString::fromStdString(photos.File("c.jpg"))}));
  }

  // When xdg-email fails, xdg-open gets a "mailto:" address without the photos; once it
  // has opened it the user is told to add them by hand, from the photos' folder.
  void withoutXdgEmailTheUserAttachesByHand() {
    test::TempDir photos, programs;
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, photos, {QStringLiteral("a.jpg")}));
    ClickCheckBox(main, 0);
    const std::string record = programs.File("xdg-open.txt");
    ScopedEnvironment environment;
    UseDesktopPrograms(environment, programs, "exit 3", "printf '%s\\n' \"$@\" > '" + record + "'");
    TUrlRecorder opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "Open");
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, {}, QStringLiteral("Tot zo")});
    QSignalSpy finished(&main.form->Mail(), &TMailCommand::Finished);
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::Ok});
    QTest::mouseClick(MailButton(main), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(test::FileLines(record),
             std::vector<std::string>({"mailto:piet@example.nl?subject=&body=Tot%20zo"}));
    QCOMPARE(opened.urls,
             QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(photos.Path() + "/"))}));
    QCOMPARE(messages.asked.size(), 2);
    QCOMPARE(messages.asked[1].text, QStringLiteral("Uw e-mailprogramma is geopend zonder de "
                                                    "foto's. Voeg ze zelf toe vanuit de map die "
                                                    "nu wordt geopend."));
    QVERIFY(MailButton(main)->isEnabled());
  }

  // Without a mail program to start (none on the PATH, or both programs fail) the user is
  // told so, and Yes sends the photos through the mail server of the settings instead.
  void noMailProgramOffersTheMailServer() {
    for (const bool missing : {true, false}) {
      test::TempDir photos, programs, servers;
      SmtpServer server(servers.Path(), SmtpServer::Security::None);
      test::MainWindowFixture main;
      QVERIFY(ShowStep3(main, photos, {QStringLiteral("a.jpg")}));
      ClickCheckBox(main, 0);
      ScopedEnvironment environment;
      if (missing)
        environment.Set("PATH", QByteArray::fromStdString(programs.Path()));
      else
        UseDesktopPrograms(environment, programs, "exit 3", "exit 3");
      UseSmtp(main, server);
      main.form->Settings().EmailUseOutLook = true;
      WhenMailPageShows({QStringLiteral("piet@example.nl"),
                         QStringLiteral("kees@example.nl"),
                         QStringLiteral("Foto"),
                         {}});
      QSignalSpy finished(&main.form->Mail(), &TMailCommand::Finished);
      const MessageAnswer offer = missing ? MessageAnswer::No : MessageAnswer::Yes;
      ScriptedMessages messages({MessageAnswer::Yes, offer, MessageAnswer::Ok});
      QTest::mouseClick(MailButton(main), Qt::LeftButton);
      QTRY_COMPARE_WITH_TIMEOUT(finished.size(), missing ? 1 : 2, 20000);
      QCOMPARE(messages.asked.size(), missing ? 2 : 3);
      QCOMPARE(messages.asked[1].text,
               QStringLiteral("Kan uw e-mailprogramma niet starten. Controleer de "
                              "emailinstellingen.\n\nWilt u de foto's versturen via de "
                              "mailserver van de emailinstellingen?"));
      QCOMPARE(messages.asked[1].buttons, MessageButtons::YesNo);
      QVERIFY(MailButton(main)->isEnabled());
      if (missing) {
        QCOMPARE(server.MailCount(), 0);
        continue;
      }
      QVERIFY2(messages.asked[2].text.startsWith(QStringLiteral("Emailbericht is succesvol")),
               qPrintable(messages.asked[2].text));
      QCOMPARE(server.MailCount(), 1);
      QCOMPARE(
          Lines(server.Summary(1)),
          QList<std::string>({"FROM jan@example.nl", "RCPT piet@example.nl", "RCPT kees@example.nl",
                              "SUBJECT Foto", "ATTACH image/jpeg a.jpg"}));
    }
  }

  // A mail program that fails after the command has ended is still reported.
  void aLateFailureIsStillReported() {
    test::TempDir photos, programs;
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, photos, {QStringLiteral("a.jpg")}));
    ClickCheckBox(main, 0);
    ScopedEnvironment environment;
    UseDesktopPrograms(environment, programs, "/bin/sleep 8; exit 3", "exit 3");
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, {}, {}});
    QSignalSpy finished(&main.form->Mail(), &TMailCommand::Finished);
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::No});
    QTest::mouseClick(MailButton(main), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QCOMPARE(messages.asked.size(), 1);
    QVERIFY(MailButton(main)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(messages.asked.size(), 2, 20000);
    QVERIFY(messages.asked[1].text.startsWith(
        QStringLiteral("Kan uw e-mailprogramma niet starten. Controleer de emailinstellingen.")));
  }

 private:
  // A PATH of xdg-email and xdg-open made of these shell commands.
  static void UseDesktopPrograms(ScopedEnvironment& environment, const test::TempDir& folder,
                                 const std::string& xdg_email, const std::string& xdg_open) {
    for (const auto& [name, command] :
         {std::pair{"xdg-email", xdg_email}, std::pair{"xdg-open", xdg_open}}) {
      WriteText(folder.File(name), "#!/bin/sh\n" + command + "\n");
      test::RunShell("chmod +x '" + folder.File(name) + "'");
    }
    environment.Set("PATH", QByteArray::fromStdString(folder.Path()));
  }

  // A .desktop file for x-scheme-handler/mailto in XDG_DATA_HOME, made the default in
  // XDG_CONFIG_HOME's mimeapps.list; its program writes each argument on a line of `record`.
  static void RegisterStandInMailProgram(ScopedEnvironment& environment,
                                         const test::MainWindowFixture& main,
                                         const test::TempDir& desktop, const std::string& record) {
    const std::string program = desktop.File("stand-in-mail.sh");
    WriteText(program,
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" + record + "'\n");
    test::RunShell("chmod +x '" + program + "'");
    const std::string data = desktop.File("data");
    test::RunShell("mkdir -p '" + data + "/applications'");
    WriteText(data + "/applications/stand-in-mail.desktop",
              "[Desktop Entry]\nType=Application\nName=Stand-in\nExec=" + program +
                  " %u\nMimeType=x-scheme-handler/mailto;\n");
    const QString config = main.Home() + QStringLiteral("/.config");
    QDir().mkpath(config);
    WriteText(config.toStdString() + "/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/mailto=stand-in-mail.desktop\n");
    environment.Set("XDG_DATA_HOME", QByteArray::fromStdString(data));
    environment.Set("XDG_DATA_DIRS", QByteArray::fromStdString(data));
  }

  static void WriteText(const std::string& path, const std::string& text) {
    test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::MailWindowTest)
#include "MailWindowTest.moc"
