#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <QUrlQuery>
#include <cstdio>

#include "gui/common/PhotoListModel.h"
#include "gui/publish/TFormInstellingen.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/window/MailCommand.h"
#include "support/LoopbackServers.h"
#include "support/TempDir.h"

namespace fotoloom {

using test::ScriptedMessages;
using test::SmtpServer;

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

  // Step 3 after a run into `folder`, with these photos in the result list.
  static bool ShowStep3(test::MainWindowFixture& main, const test::TempDir& folder,
                        const QStringList& photos) {
    if (!main.ShowActive()) return false;
    main.form->SetTargetFolder(QString::fromStdString(folder.Path() + "/"));
    for (const QString& name : photos) {
      test::WriteFileBytes(folder.File(name.toStdString()),
                           std::vector<uint8_t>(30000 + 1000 * photos.indexOf(name),
                                                static_cast<uint8_t>('a' + photos.indexOf(name))));
      // The entries' own folder is not where the mail looks.
      main.AddPhoto(QStringLiteral("/elders/"), name, QStringLiteral("ListView3"));
    }
    main.form->SetResultCommandsEnabled(true);
    main.Find<QStackedWidget>(QStringLiteral("Notebook1"))->setCurrentIndex(1);
    return MailButton(main)->isVisible() && MailButton(main)->isEnabled();
  }

  // A click on the check box in front of the entry.
  static void ClickCheckBox(const test::MainWindowFixture& main, int row) {
    auto* view = main.Find<QTreeView>(QStringLiteral("ListView3"));
    const QRect entry = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(entry.left() + entry.height() / 2 + 2, entry.center().y()));
  }

  static void UseSmtp(test::MainWindowFixture& main, const SmtpServer& server) {
    TSettings& settings = main.form->Settings();
    settings.EmailUseOutLook = false;
    settings.EmailHost = "127.0.0.1";
    settings.EmailPort = std::to_string(server.Port());
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
    QCOMPARE(asked[0].text, QStringLiteral("Om te kunnen mailen moet u minimaal 1 foto aanvinken."));

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

  // Only the checked photos go, in list order, from the target folder; a missing one is
  // left out without a word; a second send carries only its own photos.
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

    QStringList shown;
    WhenMailPageShows({QStringLiteral("piet@example.nl"), QString(), QStringLiteral("Foto's"),
                       QStringLiteral("Hallo")},
                      &shown);
    QList<MessageRequest> asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
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

    // The second mail: only c.jpg, and a copy to Kees.
    for (int row : {0, 3}) ClickCheckBox(main, row);
    WhenMailPageShows({QStringLiteral("piet@example.nl"), QStringLiteral("kees@example.nl"),
                       QStringLiteral("Nog een"), QString()});
    asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    QCOMPARE(server.MailCount(), 2);
    QCOMPARE(Lines(server.Summary(2)),
             QList<std::string>({"FROM jan@example.nl", "RCPT piet@example.nl",
                                 "RCPT kees@example.nl", "SUBJECT Nog een",
                                 "ATTACH image/jpeg c.jpg"}));
    QCOMPARE(main.form->Settings().EmailCC, std::string("kees@example.nl"));
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
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, {}, {}});
    asked = Mail(main, {MessageAnswer::Yes, MessageAnswer::Ok});
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[1].type, MessageType::Error);
    QCOMPARE(asked[1].text, QStringLiteral("Er is een fout opgetreden tijdens het vesturen van "
                                           "het emailbericht: 535 5.7.8 Authentication "
                                           "credentials invalid"));
    QVERIFY(MailButton(main)->isEnabled());
    QCOMPARE(server.MailCount(), 0);
  }

  // Over the budget the photos go in numbered mails after a question; one photo larger
  // than the budget is refused by name.
  void largeSelectionsAreSplit() {
    test::TempDir photos, servers;
    SmtpServer server(servers.Path(), SmtpServer::Security::None);
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main, photos,
                      {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")}));
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
      test::WriteFileBytes(photos.File(name), std::vector<uint8_t>(400000, 'x'));
    UseSmtp(main, server);
    main.form->Settings().EmailMaxMB = 1;
    for (int row : {0, 1, 2}) ClickCheckBox(main, row);
    WhenMailPageShows({QStringLiteral("piet@example.nl"), {}, QStringLiteral("Feest"), {}});
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
    QCOMPARE(asked[1].text, QStringLiteral("De foto \"b.jpg\" is groter dan de maximale grootte "
                                           "per e-mail (1 MB)."));
    QCOMPARE(server.MailCount(), 3);
    QVERIFY(MailButton(main)->isEnabled());
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::MailWindowTest)
#include "MailWindowTest.moc"
