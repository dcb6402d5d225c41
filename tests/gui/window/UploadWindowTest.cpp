#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>

#include "gui/common/PhotoListModel.h"
#include "gui/publish/TFormInstellingen.h"
#include "gui/publish/TFormWebbrowser.h"
#include "gui/run/TFormProgress.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/PhotoListView.h"
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
    test::ClickCheckBox(main.Find<QTreeView>(QStringLiteral("ListView3")), row);
  }

  // Photos of `size` bytes in `folder`, in the result list; the user ticks each.
  static void AddCheckedPhotos(test::MainWindowFixture& main, const test::TempDir& folder,
                               const std::vector<const char*>& names, size_t size) {
    for (size_t row = 0; row < names.size(); ++row) {
      test::WriteFileBytes(folder.File(names[row]), std::vector<uint8_t>(size, 'x'));
      main.AddPhoto(QString::fromStdString(folder.Path() + "/"), QString::fromLatin1(names[row]),
                    QStringLiteral("ListView3"));
      Check(main, static_cast<int>(row));
    }
  }

  // A folder of photos and, in a folder of their own, the FTP and web servers of an upload.
  struct TUploadServers {
    test::TempDir photos;
    test::TempDir folder;
    test::FtpServer ftp{folder.Path()};
    test::HttpServer web{folder.Path()};
  };

  static void UseServer(test::MainWindowFixture& main, const test::FtpServer& ftp) {
    TSettings& settings = main.form->Settings();
    settings.Host = "127.0.0.1:" + std::to_string(ftp.Port());
    settings.Username = test::FtpServer::kUser;
    settings.Password = test::FtpServer::kPassword;
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
      QVERIFY2(messages.asked[0].text.startsWith(QStringLiteral(
                   "Wilt u alle aangevinkte foto's nu uploaden naar de website?\nTip: klik "
                   "op Nee ")),
               qPrintable(messages.asked[0].text));
      QVERIFY(!main.form->Upload().ProgressWindow());
      QCOMPARE(UploadButton(main)->text(), QStringLiteral("Foto's uploaden "));
    }
  }

  // A whole upload from the button: the checked photos sent (an unticked one never leaves
  // the machine), the log in the progress window, the finish page in its window, the
  // closing message, then the buttons back.
  void uploadsTheCheckedPhotosAndShowsTheFinishPage() {
    TUploadServers servers;
    auto& [photos, folder, ftp, web] = servers;
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main));
    AddCheckedPhotos(main, photos, {"a.jpg", "b.jpg", "c.jpg"}, 50000);
    Check(main, 1);  // the user unticks b.jpg again
    UseServer(main, ftp);
    TSettings& settings = main.form->Settings();
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
    for (const char* name : {"a.jpg", "c.jpg"})
      QCOMPARE(test::ReadFileBytes(ftp.Root() + name).size(), 50000u);
    QVERIFY(!QFile::exists(QString::fromStdString(ftp.Root() + "b.jpg")));
    QCOMPARE(web.Requests(),
             (std::vector<std::string>{"/add.php?f=a.jpg", "/add.php?f=c.jpg", "/klaar.php"}));

    TFormProgress* progress = main.form->Upload().ProgressWindow();
    QVERIFY(progress);
    // The progress window stays on top: what the run shows stands before it, not hidden
    // behind it.
    QCOMPARE(page_owner, progress);
    QCOMPARE(messages.owners[1], progress);
    const QString log = progress->findChild<QPlainTextEdit*>(QStringLiteral("memoLog"))->toPlainText();
    QCOMPARE(log.count(QStringLiteral("Upload image: ")), 2);
    QVERIFY(log.contains(QStringLiteral("Disconnect host 127.0.0.1:")));
    QVERIFY(log.endsWith(QStringLiteral("Alle foto's zijn opgeslagen in de database")));
    QCOMPARE(progress->findChild<QPushButton*>(QStringLiteral("btnClose"))->text(),
             QStringLiteral("OK"));
  }

  // The custom mode's group reaches the finish script as the user confirmed it: each value
  // encoded on its own, the date in fixed digits whatever the locale.
  void aGroupUploadCallsTheFinishScriptWithTheGroup() {
    TUploadServers servers;
    auto& [photos, folder, ftp, web] = servers;
    test::MainWindowFixture main({QStringLiteral("/custom=kestrova")});
    QVERIFY(ShowStep3(main));
    AddCheckedPhotos(main, photos, {"a.jpg"}, 5000);
    UseServer(main, ftp);
    TSettings& settings = main.form->Settings();
    settings.Script = web.Url("/klaar.php?c=%s&o=%s&l=%s&d=%s&g=%s");

    test::WhenModalShows<TFormInstellingen>([](TFormInstellingen* dialog) {
      for (const auto& [name, text] :
           {std::pair{"editCode", "G7"}, std::pair{"editOmschrijving", "Zomer + zee #1"},
            std::pair{"editLokatie", "Urk"}}) {
        auto* field = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClicks(field, QString::fromLatin1(text));
      }
      QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnOpslaan")),
                        Qt::LeftButton);
    });
    auto* look_out = new QTimer(this);
    connect(look_out, &QTimer::timeout, this, [look_out] {
      auto* window = qobject_cast<TFormWebbrowser*>(QApplication::activeModalWidget());
      if (!window) return;
      look_out->stop();
      window->accept();
    });
    look_out->start(10);
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::Ok});
    QTest::mouseClick(UploadButton(main), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(UploadButton(main)->text(), QStringLiteral("Uploaden"), 30000);

    QCOMPARE(test::ReadFileBytes(ftp.Root() + "G7/a.jpg").size(), 5000u);
    const std::string today =
        QDate::currentDate().toString(QStringLiteral("dd-MM-yyyy")).toStdString();
    QCOMPARE(web.Requests(),
             std::vector<std::string>{
                 "/klaar.php?c=G7&o=Zomer%20%2B%20zee%20%231&l=Urk&d=" + today + "&g=0"});
  }

  // The FTP settings opened and closed while an upload runs leave the commands disabled:
  // busy is counted, not a flag that the first closing handler clears.
  void aDialogClosedDuringAnUploadKeepsTheCommandsBusy() {
    TUploadServers servers;
    auto& [photos, folder, ftp, web] = servers;
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main));
    AddCheckedPhotos(main, photos, {"a.jpg", "b.jpg"}, 5000);
    UseServer(main, ftp);
    TSettings& settings = main.form->Settings();
    // Each script call is followed by a pause of two seconds: time for the dialog.
    settings.ScriptLine = web.Url("/add.php?f=%s");
    auto* next = main.Find<QPushButton>(QStringLiteral("btnNext"));
    auto* rotate = main.form->findChild<QAction*>(QStringLiteral("Roteren90graden"));
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::Ok});
    QTest::mouseClick(UploadButton(main), Qt::LeftButton);
    QTRY_COMPARE(UploadButton(main)->text(), QStringLiteral("Stoppen"));

    test::WhenModalShows<TFormInstellingen>([](TFormInstellingen* dialog) { dialog->reject(); });
    main.form->findChild<QAction*>(QStringLiteral("FTPgegevensinstellen"))->trigger();
    QCOMPARE(UploadButton(main)->text(), QStringLiteral("Stoppen"));
    QVERIFY(!next->isEnabled());
    QVERIFY(!main.Find<QPushButton>(QStringLiteral("btnMailen"))->isEnabled());
    QVERIFY(!rotate->isEnabled());

    QTRY_COMPARE_WITH_TIMEOUT(UploadButton(main)->text(), QStringLiteral("Uploaden"), 30000);
    QVERIFY(next->isEnabled());
    QVERIFY(rotate->isEnabled());
  }

  // Closing the main window during an upload asks the stop question of an upload; on "Ja"
  // the run ends properly (the session closed with QUIT, the closing message) and then
  // the window closes.
  void closingTheWindowDuringAnUploadStopsItProperly() {
    TUploadServers servers;
    auto& [photos, folder, ftp, web] = servers;
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main));
    AddCheckedPhotos(main, photos, {"a.jpg", "b.jpg", "c.jpg"}, 5000);
    UseServer(main, ftp);
    TSettings& settings = main.form->Settings();
    settings.ScriptLine = web.Url("/add.php?f=%s");
    ScriptedMessages messages({MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::Ok});
    QTest::mouseClick(UploadButton(main), Qt::LeftButton);
    QTRY_COMPARE(UploadButton(main)->text(), QStringLiteral("Stoppen"));
    // Once the first photo is on the server.
    QTRY_VERIFY_WITH_TIMEOUT(main.form->Upload().ProgressWindow() &&
                                 main.form->Upload()
                                     .ProgressWindow()
                                     ->findChild<QPlainTextEdit*>(QStringLiteral("memoLog"))
                                     ->toPlainText()
                                     .contains(QStringLiteral("Upload image: ")),
                             20000);

    main.form->close();
    QTRY_VERIFY_WITH_TIMEOUT(!main.form->isVisible(), 30000);
    QCOMPARE(messages.asked.size(), 3);
    QCOMPARE(messages.asked[1].text,
             QStringLiteral("Weet u zeker dat u nu wilt stoppen met uploaden?"));
    QCOMPARE(messages.asked[2].text,
             QStringLiteral("Het uploaden van de bestanden is afgebroken!"));
    QTRY_VERIFY(!ftp.Commands().empty() && ftp.Commands().back() == "QUIT");
    QVERIFY(web.Requests().size() < 3);
    // What is on the server is whole: a photo broken off is removed.
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
      const QFileInfo sent(QString::fromStdString(ftp.Root() + name));
      QVERIFY(!sent.exists() || sent.size() == 5000);
    }
  }

  // A refused login: the question to check the settings, and Yes opens them.
  void aRefusedLoginOffersTheSettings() {
    test::TempDir servers;
    test::FtpServer ftp(servers.Path());
    test::MainWindowFixture main;
    QVERIFY(ShowStep3(main));
    main.AddPhoto(main.Home() + '/', QStringLiteral("a.jpg"), QStringLiteral("ListView3"));
    Check(main, 0);
    UseServer(main, ftp);
    main.form->Settings().Password = "fout";
    QSignalSpy settings_opened(
        main.form->findChild<QAction*>(QStringLiteral("FTPgegevensinstellen")), &QAction::triggered);
    bool ftp_page_shown = false;
    bool progress_hidden = false;
    test::WhenModalShows<TFormInstellingen>([&](TFormInstellingen* dialog) {
      ftp_page_shown = dialog->VisiblePage() == TSettingsPage::Ftp;
      // The progress window stays on top: left open, it would hide the dialog.
      progress_hidden = !main.form->Upload().ProgressWindow()->isVisible();
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
    QVERIFY(progress_hidden);
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
