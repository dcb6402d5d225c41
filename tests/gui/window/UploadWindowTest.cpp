#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>

#include "gui/common/PhotoListModel.h"
#include "gui/publish/TFormInstellingen.h"
#include "gui/publish/TFormWebbrowser.h"
#include "gui/run/TFormProgress.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/window/UploadCommand.h"
#include "support/LoopbackServers.h"
#include "support/TempDir.h"

namespace fotoloom {

using test::ScriptedMessages;

class UploadWindowTest : public QObject {
  Q_OBJECT

  static QPushButton* UploadButton(const test::MainWindowFixture& main) {
    return main.Find<QPushButton>(QStringLiteral("btnUploaden"));
  }

  // Step 3 as a completed conversion run leaves it.
  static bool ShowStep3(test::MainWindowFixture& main) {
    if (!main.ShowActive()) return false;
    main.form->SetResultCommandsEnabled(true);
    main.Find<QStackedWidget>(QStringLiteral("Notebook1"))->setCurrentIndex(1);
    return UploadButton(main)->isVisible() && UploadButton(main)->isEnabled();
  }

  static void Check(const test::MainWindowFixture& main, int row) {
    auto* view = main.Find<QTreeView>(QStringLiteral("ListView3"));
    qobject_cast<TPhotoListModel*>(view->model())->SetChecked(row, true);
  }

 private slots:
  // The checks before an upload, in order, each ending the command with its message.
  void checksComeFirst() {
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main));
    auto* settings_item = main.form->findChild<QAction*>(QStringLiteral("FTPgegevensinstellen"));
    QVERIFY(settings_item);
    QSignalSpy settings_opened(settings_item, &QAction::triggered);
    {
      ScriptedMessages messages;
      QTest::mouseClick(UploadButton(main), Qt::LeftButton);
      QCOMPARE(messages.asked.size(), 1);
      QCOMPARE(messages.asked[0].text, QStringLiteral("Er zijn geen foto's aanwezig!"));
    }
    main.AddPhoto(main.Home() + '/', QStringLiteral("a.jpg"), QStringLiteral("ListView3"));
    {
      ScriptedMessages messages;
      QTest::mouseClick(UploadButton(main), Qt::LeftButton);
      QCOMPARE(messages.asked.size(), 1);
      QCOMPARE(messages.asked[0].text,
               QStringLiteral("Om te kunnen uploaden moet u minimaal 1 foto aanvinken."));
    }
    Check(main, 0);
    main.form->Settings().Host = "ftp.example.nl";
    main.form->Settings().Username = "  ";
    main.form->Settings().Password = "geheim";
    bool ftp_page_shown = false;
    test::WhenModalShows<TFormInstellingen>([&](TFormInstellingen* dialog) {
      ftp_page_shown = dialog->VisiblePage() == TSettingsPage::Ftp;
      dialog->reject();
    });
    {
      ScriptedMessages messages({MessageAnswer::Yes});
      QTest::mouseClick(UploadButton(main), Qt::LeftButton);
      QCOMPARE(messages.asked.size(), 1);
      QCOMPARE(messages.asked[0].type, MessageType::Confirmation);
      QCOMPARE(messages.asked[0].text,
               QStringLiteral("FTP gegevens zijn niet ingevuld. Wilt u nu de FTP gegevens "
                              "instellen?"));
    }
    QCOMPARE(settings_opened.size(), 1);
    QVERIFY(ftp_page_shown);
    main.form->Settings().Username = "fotograaf";
    {
      // No to the confirmation: nothing starts.
      ScriptedMessages messages({MessageAnswer::No});
      QTest::mouseClick(UploadButton(main), Qt::LeftButton);
      QCOMPARE(messages.asked.size(), 1);
      QVERIFY2(messages.asked[0].text.startsWith(
          QStringLiteral("Wilt u alle foto's nu uploaden naar de website?\nTip: klik op No ")),
               qPrintable(messages.asked[0].text));
      QVERIFY(!main.form->Upload().ProgressWindow());
      QCOMPARE(UploadButton(main)->text(), QStringLiteral("Foto's uploaden "));
    }
  }

  // A whole upload from the button: all photos sent, the log in the progress window, the
  // finish page in its window, the closing message, then the buttons back.
  void uploadsAllPhotosAndShowsTheFinishPage() {
    test::TempDir photos;
    test::TempDir servers;
    test::FtpServer ftp(servers.Path());
    test::HttpServer web(servers.Path());
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main));
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
      test::WriteFileBytes(photos.File(name), std::vector<uint8_t>(50000, 'x'));
      main.AddPhoto(QString::fromStdString(photos.Path() + "/"), QString::fromLatin1(name),
                    QStringLiteral("ListView3"));
    }
    Check(main, 1);
    TSettings& settings = main.form->Settings();
    settings.Host = "127.0.0.1:" + std::to_string(ftp.Port());
    settings.Username = test::FtpServer::kUser;
    settings.Password = test::FtpServer::kPassword;
    settings.ScriptLine = web.Url("/add.php?f=%s");
    settings.Script = web.Url("/klaar.php");

    QString page;
    bool busy_meanwhile = false;
    QWidget* page_owner = nullptr;
    // The page comes after the script calls and their pauses: a longer look-out than
    // WhenModalShows keeps.
    auto* look_out = new QTimer(this);
    connect(look_out, &QTimer::timeout, this, [&, look_out] {
      auto* window = qobject_cast<TFormWebbrowser*>(QApplication::activeModalWidget());
      if (!window) return;
      look_out->stop();
      page_owner = window->parentWidget();
      busy_meanwhile = !main.Find<QPushButton>(QStringLiteral("btnNext"))->isEnabled() &&
                       UploadButton(main)->text() == QStringLiteral("Stoppen");
      auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("WebBrowser1"));
      QTRY_VERIFY_WITH_TIMEOUT(browser->toPlainText().contains(QStringLiteral("Klaar")), 20000);
      page = browser->toPlainText();
      auto* close = window->findChild<QPushButton*>(QStringLiteral("btnSluiten"));
      QTest::mouseClick(close, Qt::LeftButton);
    });
    look_out->start(10);
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::Ok});
    QTest::mouseClick(UploadButton(main), Qt::LeftButton);
    QVERIFY(!UploadButton(main)->isEnabled());

    QTRY_COMPARE_WITH_TIMEOUT(UploadButton(main)->text(), QStringLiteral("Uploaden"), 30000);
    QVERIFY(UploadButton(main)->isEnabled());
    QVERIFY(busy_meanwhile);
    QCOMPARE(page, QStringLiteral("Klaar: /klaar.php"));
    QCOMPARE(messages.asked.size(), 2);
    QCOMPARE(messages.asked[1].text, QStringLiteral("Het uploaden van de bestanden is voltooid!"));
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
      QCOMPARE(test::ReadFileBytes(ftp.Root() + name).size(), 50000u);
    QCOMPARE(web.Requests(), (std::vector<std::string>{"/add.php?f=a.jpg", "/add.php?f=b.jpg",
                                                        "/add.php?f=c.jpg", "/klaar.php"}));

    TFormProgress* progress = main.form->Upload().ProgressWindow();
    QVERIFY(progress);
    // The progress window stays on top: what the run shows stands before it, not hidden
    // behind it.
    QCOMPARE(page_owner, progress);
    QCOMPARE(messages.owners[1], progress);
    const QString log = progress->findChild<QPlainTextEdit*>(QStringLiteral("memoLog"))->toPlainText();
    QCOMPARE(log.count(QStringLiteral("Upload image: ")), 3);
    QVERIFY(log.contains(QStringLiteral("Disconnect host 127.0.0.1:")));
    QVERIFY(log.endsWith(QStringLiteral("Alle foto's zijn opgeslagen in de database")));
    QCOMPARE(progress->findChild<QPushButton*>(QStringLiteral("btnClose"))->text(),
             QStringLiteral("OK"));
  }

  // A refused login: the question to check the settings, and Yes opens them.
  void aRefusedLoginOffersTheSettings() {
    test::TempDir servers;
    test::FtpServer ftp(servers.Path());
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main));
    main.AddPhoto(main.Home() + '/', QStringLiteral("a.jpg"), QStringLiteral("ListView3"));
    Check(main, 0);
    TSettings& settings = main.form->Settings();
    settings.Host = "127.0.0.1:" + std::to_string(ftp.Port());
    settings.Username = test::FtpServer::kUser;
    settings.Password = "fout";
    QSignalSpy settings_opened(
        main.form->findChild<QAction*>(QStringLiteral("FTPgegevensinstellen")), &QAction::triggered);
    bool ftp_page_shown = false;
    test::WhenModalShows<TFormInstellingen>([&](TFormInstellingen* dialog) {
      ftp_page_shown = dialog->VisiblePage() == TSettingsPage::Ftp;
      dialog->reject();
    });
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::Yes});
    QTest::mouseClick(UploadButton(main), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(UploadButton(main)->text(), QStringLiteral("Uploaden"), 30000);
    QCOMPARE(messages.asked.size(), 2);
    QCOMPARE(messages.asked[1].type, MessageType::Error);
    QCOMPARE(messages.asked[1].text,
             QStringLiteral("Kan geen verbinding maken met de host. Wilt u nu de FTP gegevens "
                            "controleren?"));
    QCOMPARE(settings_opened.size(), 1);
    QTRY_VERIFY(ftp_page_shown);
    const QString log = main.form->Upload()
                            .ProgressWindow()
                            ->findChild<QPlainTextEdit*>(QStringLiteral("memoLog"))
                            ->toPlainText();
    QVERIFY(log.isEmpty());
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::UploadWindowTest)
#include "UploadWindowTest.moc"
