#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include "gui/publish/TFormWebbrowser.h"
#include "gui/support/GuiTestMain.h"
#include "support/LoopbackServers.h"
#include "support/TempDir.h"

namespace fotoloom {

// Catches what the window hands to the desktop's browser.
class LinkCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened << url; }
};

class FinishPageTest : public QObject {
  Q_OBJECT

  static void WritePage(const test::TempDir& folder, const QString& name, const QByteArray& bytes) {
    const QString path = QString::fromStdString(folder.Path() + "/pages/") + name;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  static QTextBrowser* Browser(const TFormWebbrowser& window) {
    return window.findChild<QTextBrowser*>(QStringLiteral("WebBrowser1"));
  }

 private slots:
  // The script's answer is fetched once, its picture (relative to the script's address)
  // shows, and a click on a link opens it in the desktop's browser.
  void showsThePageWithItsPicturesAndOpensLinks() {
    test::TempDir folder;
    QImage logo(30, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    QVERIFY(logo.save(QString::fromStdString(folder.Path() + "/logo.png")));
    QFile png(QString::fromStdString(folder.Path() + "/logo.png"));
    QVERIFY(png.open(QIODevice::ReadOnly));
    WritePage(folder, QStringLiteral("site/logo.png"), png.readAll());
    WritePage(folder, QStringLiteral("site/klaar.php"),
              "<html><body><p>Gelukt</p><img src=\"logo.png\"><p><a href=\"meer.html\">meer "
              "foto's</a></p></body></html>");
    test::HttpServer web(folder.Path());
    LinkCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");

    TFormWebbrowser window(nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Navigate(QString::fromStdString(web.Url("/site/klaar.php?code=G1")));
    QTextBrowser* browser = Browser(window);
    QTRY_VERIFY_WITH_TIMEOUT(browser->toPlainText().contains(QStringLiteral("Gelukt")), 20000);
    const QImage shown = browser->document()
                             ->resource(QTextDocument::ImageResource, QUrl("logo.png"))
                             .value<QImage>();
    QCOMPARE(shown.size(), QSize(30, 20));

    const QTextCursor link = browser->document()->find(QStringLiteral("meer foto's"));
    QVERIFY(!link.isNull());
    QTextCursor inside = link;
    inside.setPosition(link.selectionStart() + 2);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {},
                      browser->cursorRect(inside).center());
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(catcher.opened, QList<QUrl>{QUrl(QString::fromStdString(web.Url("/site/meer.html")))});
    // The script itself was called once: the picture came on its own.
    QCOMPARE(web.Requests(),
             (std::vector<std::string>{"/site/klaar.php?code=G1", "/site/logo.png"}));
  }

  // A hostile answer (deeply nested tables) would take the window down or block it for
  // a long time when laid out: its text is shown instead.
  void aPageTooComplexToLayOutShowsItsText() {
    test::TempDir folder;
    QByteArray nested = "<html><body>Klaar";
    for (int i = 0; i < 20000; ++i) nested += "<table><tr><td>";
    WritePage(folder, QStringLiteral("klaar.php"), nested);
    test::HttpServer web(folder.Path());
    TFormWebbrowser window(nullptr);
    window.show();
    window.Navigate(QString::fromStdString(web.Url("/klaar.php")));
    QTextBrowser* browser = Browser(window);
    QTRY_VERIFY_WITH_TIMEOUT(!browser->toPlainText().isEmpty(), 20000);
    QVERIFY2(browser->toPlainText().startsWith(
                 QStringLiteral("De pagina van de website is te groot om te tonen.")),
             qPrintable(browser->toPlainText().left(200)));
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Klaar")));
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::FinishPageTest)
#include "FinishPageTest.moc"
