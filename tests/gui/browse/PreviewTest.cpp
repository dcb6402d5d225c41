#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include "gui/browse/SelectionList.h"
#include "gui/browse/TFormMessage2.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/TestPhotos.h"
#include "support/TempDir.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

constexpr TPixel32 kRed = MakePixel(220, 20, 20);
constexpr TPixel32 kBlue = MakePixel(20, 20, 220);
constexpr TPixel32 kGreen = MakePixel(20, 220, 20);

// The colour in the middle of a preview, or black while it shows nothing.
QColor Shown(const QLabel* preview) {
  const QImage image = preview->pixmap().toImage();
  return image.isNull() ? QColor(Qt::black) : image.pixelColor(image.rect().center());
}

bool IsReddish(const QColor& c) {
  return c.red() > 150 && c.green() < 100 && c.blue() < 100;
}
bool IsBluish(const QColor& c) {
  return c.blue() > 150 && c.red() < 100 && c.green() < 100;
}
bool IsGreenish(const QColor& c) {
  return c.green() > 150 && c.red() < 100 && c.blue() < 100;
}

// Records the folders handed to the desktop instead of opening a file manager.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  OpenedUrls() { QDesktopServices::setUrlHandler("file", this, "Open"); }
  ~OpenedUrls() override { QDesktopServices::unsetUrlHandler("file"); }
  QList<QUrl> urls;

 public slots:
  void Open(const QUrl& url) { urls << url; }
};

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_window = std::make_unique<test::MainWindowFixture>();
    m_photos = std::make_unique<QTemporaryDir>();
    QVERIFY(m_window->ShowActive());
    // The settings file is read as the window is first shown.
    m_window->form->Settings().Photodelay = 20;
    m_list = m_window->Find<QTreeView>("ListView1");
    m_preview = m_window->Find<QLabel>("Image321");
  }
  void cleanup() {
    m_window.reset();
    m_photos.reset();
  }

  void step1PreviewWaitsForThePhotoDelay() {
    m_window->form->Settings().Photodelay = 1000;
    QVERIFY(AddPhoto("rood.jpg", kRed));
    test::ClickRow(m_list, 0);
    const auto* timer = m_window->form->SelectionList().findChild<QTimer*>("Timer1");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(m_window->Find<QWidget>("Panel10")->isVisible());
    // A photo loaded at once would be shown by now.
    QTest::qWait(300);
    QVERIFY(m_preview->pixmap().isNull());
    QTRY_VERIFY_WITH_TIMEOUT(IsReddish(Shown(m_preview)), 10000);
    QCOMPARE(m_preview->pixmap().size(), QSize(149, 160));
  }

  void phonePhotoIsPreviewedUpright_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("HEIC") << "IMG_1.HEIC";
    QTest::newRow("TIFF") << "scan.tif";
  }
  void phonePhotoIsPreviewedUpright() {
    // Stored red over blue, turned a quarter clockwise by its orientation: blue left, red
    // right when upright.
    QFETCH(QString, name);
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 64 * 32; ++i) {
      const bool top = i < 64 * 16;
      rgba.insert(rgba.end(), {uint8_t(top ? 220 : 20), 20, uint8_t(top ? 20 : 220), 255});
    }
    test::TestPhotoOptions options;
    options.orientation = 6;
    test::WriteFileBytes(m_photos->filePath(name).toStdString(),
                         name.endsWith(".tif") ? test::MakeTestTiff(rgba, 64, 32, options)
                                               : test::MakeTestHeif(rgba, 64, 32, false, options));
    m_window->AddPhoto(m_photos->path() + "/", name);
    SelectOnly(0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_preview->pixmap().isNull(), 10000);
    const QImage shown = m_preview->pixmap().toImage();
    QVERIFY2(shown.height() > shown.width(), "portrait, as the photo stands");
    const int y = shown.height() / 2;
    QVERIFY(IsBluish(shown.pixelColor(shown.width() / 4, y)));
    QVERIFY(IsReddish(shown.pixelColor(3 * shown.width() / 4, y)));
  }

  void unreadablePhotoKeepsTheOldPreview_data() {
    QTest::addColumn<bool>("deleted");
    QTest::newRow("deleted meanwhile") << true;
    QTest::newRow("not a photo") << false;
  }
  void unreadablePhotoKeepsTheOldPreview() {
    QFETCH(bool, deleted);
    QVERIFY(AddPhoto("rood.jpg", kRed));
    QVERIFY(AddPhoto("blauw.jpg", kBlue));
    SelectOnly(0);
    QTRY_VERIFY_WITH_TIMEOUT(IsReddish(Shown(m_preview)), 10000);
    const QString second = m_photos->filePath("blauw.jpg");
    QVERIFY(deleted ? QFile::remove(second) : test::WriteTextFile(second, "geen foto"));
    SelectOnly(1);
    // Several ticks pass, each trying again, and none of them changes the picture.
    QTest::qWait(200);
    QVERIFY(IsReddish(Shown(m_preview)));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    for (const QWidget* window : QApplication::topLevelWidgets())
      QVERIFY(!window->isVisible() || window == m_window->form.get());

    // Once the file is a photo again, the next tick shows it.
    QVERIFY(test::WriteTestPhoto(second, 8, 8, kBlue));
    QTRY_VERIFY_WITH_TIMEOUT(IsBluish(Shown(m_preview)), 10000);
  }

  void selectingWhileAnAddRunsShowsThePreviewAfterIt() {
    QVERIFY(AddPhoto("rood.jpg", kRed));
    QVERIFY(QDir(m_photos->path()).mkpath("map"));
    TSelectionList& selection = m_window->form->SelectionList();
    QSignalSpy ended(&selection, &TSelectionList::AddFinished);
    test::ClickRow(m_list, 0);
    // The add waits for its folder question, which is answered only after many ticks.
    QVERIFY(selection.AddPaths({m_photos->filePath("map")}));
    bool shown_while_busy = false;
    int sightings = 0;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
      auto* question = qobject_cast<TFormMessage2*>(QApplication::activeModalWidget());
      if (!question || ++sightings < 20) return;
      shown_while_busy = !m_preview->pixmap().isNull();
      question->findChild<QPushButton*>("btnOK")->click();
      answer.stop();
    });
    answer.start(10);
    QVERIFY(ended.wait(20000));
    QVERIFY(!shown_while_busy);
    QTRY_VERIFY_WITH_TIMEOUT(IsReddish(Shown(m_preview)), 10000);
  }

  void removingAllHidesThePanelUntilTheNextSelection() {
    QVERIFY(AddPhoto("rood.jpg", kRed));
    test::ClickRow(m_list, 0);
    auto* panel = m_window->Find<QWidget>("Panel10");
    QVERIFY(panel->isVisible());
    m_window->Find<QToolButton>("btnDeleteAll")->click();
    QVERIFY(panel->isHidden());
    QVERIFY(AddPhoto("blauw.jpg", kBlue));
    QVERIFY(panel->isHidden());
    test::ClickRow(m_list, 0);
    QVERIFY(panel->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(IsBluish(Shown(m_preview)), 10000);
  }

  // The panel's room is kept while it is hidden, so that the row under the mouse stays put.
  void theListStaysWhereItIsWhenThePreviewAppears_data() {
    QTest::addColumn<QSize>("window");
    QTest::newRow("as built") << QSize(952, 665);
    QTest::newRow("smallest") << QSize(650, 480);
  }
  void theListStaysWhereItIsWhenThePreviewAppears() {
    QFETCH(QSize, window);
    m_window->form->resize(window);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) QVERIFY(AddPhoto(name, kRed));
    QTRY_COMPARE(m_window->form->size(), window);
    auto* panel = m_window->Find<QWidget>("Panel10");
    QVERIFY(!panel->isVisible());
    const QRect before(m_list->mapTo(m_window->form.get(), QPoint(0, 0)), m_list->size());
    const QModelIndex second = m_list->model()->index(1, 0);
    const QRect second_row = m_list->visualRect(second);
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, Qt::NoModifier, second_row.center());
    QVERIFY(panel->isVisible());
    QTRY_VERIFY(IsReddish(Shown(m_preview)));
    QCOMPARE(QRect(m_list->mapTo(m_window->form.get(), QPoint(0, 0)), m_list->size()), before);
    // The rows stay where they were; the columns may still be fitted to their texts.
    QCOMPARE(m_list->visualRect(second).top(), second_row.top());
    QCOMPARE(m_list->visualRect(second).height(), second_row.height());
    QCOMPARE(m_list->indexAt(second_row.center()), second);
  }

  void step3PreviewFollowsTheResultList() {
    QTemporaryDir target;
    QVERIFY(test::WriteTestPhoto(m_photos->filePath("a.jpg"), 8, 8, kRed));
    QVERIFY(test::WriteTestPhoto(m_photos->filePath("b.jpg"), 8, 8, kBlue));
    // A photo of the same name in the target folder is another photo.
    QVERIFY(test::WriteTestPhoto(target.filePath("a.jpg"), 8, 8, kGreen));
    m_window->form->SetTargetFolder(target.path() + "/");
    m_window->Find<QStackedWidget>("Notebook1")->setCurrentIndex(1);
    auto* results = m_window->Find<QTreeView>("ListView3");
    for (const QString name : {"a.jpg", "b.jpg"})
      m_window->AddPhoto(m_photos->path() + "/", name, "ListView3");
    auto* preview = m_window->Find<QLabel>("Image322");

    test::ClickRow(results, 0);
    QTRY_VERIFY_WITH_TIMEOUT(IsReddish(Shown(preview)), 10000);
    QCOMPARE(preview->pixmap().size(), QSize(167, 175));
    test::ClickRow(results, 1);
    QTRY_VERIFY_WITH_TIMEOUT(IsBluish(Shown(preview)), 10000);

    // A released key shows the entry's own file too, not the one of that name in the
    // target folder.
    results->setFocus();
    QTest::keyClick(results, Qt::Key_Up);
    QTRY_VERIFY_WITH_TIMEOUT(!IsBluish(Shown(preview)), 10000);
    QVERIFY(!IsGreenish(Shown(preview)));
    QVERIFY(IsReddish(Shown(preview)));
  }

  void ctrlASelectsAllEntries() {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) QVERIFY(AddPhoto(name, kRed));
    m_list->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, "a");
    QApplication::sendEvent(m_list, &press);
    QVERIFY(press.isAccepted());
    QCOMPARE(test::SelectedRowList(m_list), QList<int>({0, 1, 2}));
  }

  void mapOpenenOpensTheFolderOfTheSelectedEntry() {
    OpenedUrls opened;
    auto* item =
        m_window->form->findChild<QMenu*>("PopupMenuSelection")->findChild<QAction*>("Mapopenen1");
    QVERIFY(AddPhoto("a.jpg", kRed));
    item->trigger();
    QCOMPARE(opened.urls, QList<QUrl>());
    test::ClickRow(m_list, 0);
    item->trigger();
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(m_photos->path() + "/")});
  }

  void doubleClickOnAPictureAsksForThePhotoEditor() {
    QSignalSpy selected(m_window->form.get(), &TFormMain::EditSelectedPhoto);
    QSignalSpy result(m_window->form.get(), &TFormMain::EditResultPhoto);
    for (const char* name : {"Image321", "Image323"})
      QTest::mouseDClick(m_window->Find<QWidget>(name), Qt::LeftButton);
    QTest::mouseDClick(m_window->Find<QWidget>("Image322"), Qt::LeftButton);
    QCOMPARE(selected.count(), 2);
    QCOMPARE(result.count(), 1);
  }

 private:
  bool AddPhoto(const QString& name, TPixel32 colour) {
    if (!test::WriteTestPhoto(m_photos->filePath(name), 8, 8, colour)) return false;
    m_window->AddPhoto(m_photos->path() + "/", name);
    return true;
  }

  void SelectOnly(int row) { test::ClickRow(m_list, row); }

  std::unique_ptr<test::MainWindowFixture> m_window;
  std::unique_ptr<QTemporaryDir> m_photos;
  QTreeView* m_list = nullptr;
  QLabel* m_preview = nullptr;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::PreviewTest)
#include "PreviewTest.moc"
