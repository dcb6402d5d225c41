#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QWheelEvent>
#include <memory>

#include "core/lists/ListEntry.h"
#include "gui/browse/FolderItemsModel.h"
#include "gui/browse/FolderTree.h"
#include "gui/browse/PhotoPlaces.h"
#include "gui/browse/PlacesList.h"
#include "gui/browse/SelectionList.h"
#include "gui/browse/TFormMessage2.h"
#include "gui/browse/ThumbnailBrowser.h"
#include "gui/common/WheelToArrowKeys.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/TestPhotos.h"
#include "gui/window/TFormMain.h"
#include "support/TempDir.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

constexpr int kWait = 20000;

// Answers every folder question with "OK", the sub-folder box as given.
class AnswerFolderQuestions : public QObject {
 public:
  explicit AnswerFolderQuestions(bool include_subfolders) : m_include(include_subfolders) {
    connect(&m_timer, &QTimer::timeout, this, [this] {
      auto* window = qobject_cast<TFormMessage2*>(QApplication::activeModalWidget());
      if (!window) return;
      ++asked;
      window->findChild<QCheckBox*>("chkSubDirs")->setChecked(m_include);
      window->findChild<QPushButton*>("btnOK")->click();
    });
    m_timer.start(10);
  }
  int asked = 0;

 private:
  bool m_include;
  QTimer m_timer;
};

}  // namespace

class FolderBrowserTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_cache = std::make_unique<QTemporaryDir>();
    m_photos = std::make_unique<QTemporaryDir>();
    QVERIFY(m_cache->isValid() && m_photos->isValid());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache->path()));
    m_window = std::make_unique<test::MainWindowFixture>();
    QVERIFY(m_window->ShowActive());
    m_tree = m_window->Find<TFolderTree>("VirtualExplorerTree1");
    m_browser = m_window->Find<TThumbnailBrowser>("VirtualEel1");
    m_list = m_window->Find<QTreeView>("ListView1");
  }
  void cleanup() {
    m_window.reset();
    m_photos.reset();
    m_cache.reset();
  }

  // Home, the pictures folder, the desktop and the drives, the whole file system last; the
  // pictures folder is the one the user's XDG folders name.
  void placesWherePhotosLiveComeFirst() {
    const QDir home(m_window->Home());
    QTemporaryDir drives;
    for (const char* folder : {"Foto's", "Bureaublad"}) QVERIFY(home.mkpath(folder));
    for (const char* drive : {"USB-STICK", "CAMERA"}) QVERIFY(QDir(drives.path()).mkpath(drive));
    // Qt's test mode never reads the user's folders; HOME is a temporary folder all the same.
    QStandardPaths::setTestModeEnabled(false);
    const auto test_mode_again = qScopeGuard([] { QStandardPaths::setTestModeEnabled(true); });
    QVERIFY(test::WriteTextFile(home.filePath(".config/user-dirs.dirs"),
                                "XDG_PICTURES_DIR=\"$HOME/Foto's\"\n"
                                "XDG_DESKTOP_DIR=\"$HOME/Bureaublad\"\n"));
    const QList<TPlace> places = PhotoPlaces({drives.path(), drives.filePath("geen")});
    QStringList captions;
    QStringList paths;
    for (const TPlace& place : places) {
      captions << place.caption;
      paths << place.path;
    }
    QCOMPARE(captions, QStringList({"Persoonlijke map", "Afbeeldingen", "Bureaublad", "CAMERA",
                                    "USB-STICK", "Bestandssysteem"}));
    QCOMPARE(paths, QStringList({home.path(), home.filePath("Foto's"), home.filePath("Bureaublad"),
                                 drives.filePath("CAMERA"), drives.filePath("USB-STICK"), "/"}));
    QCOMPARE(PlaceOf(places, home.filePath("Foto's/2024/reis")).path, home.filePath("Foto's"));
    QCOMPARE(PlaceOf(places, home.filePath("Documents")).path, home.path());
    QCOMPARE(PlaceOf(places, "/usr/share").path, QString("/"));
  }

  // A drive mounted while the window is open joins the places; one taken out leaves them.
  void drivesJoinAndLeaveThePlaces() {
    QTemporaryDir media;  // stands in for /media, which holds a folder per user once used
    const QString root = media.filePath("gebruiker");
    TPlacesList places({root});
    const auto captions = [&] {
      QStringList shown;
      for (int row = 0; row < places.count(); ++row) shown << places.item(row)->text();
      return shown;
    };
    QVERIFY(!captions().contains("CAMERA"));
    QVERIFY(QDir(root).mkpath("CAMERA"));
    QTRY_VERIFY_WITH_TIMEOUT(captions().contains("CAMERA"), kWait);
    QVERIFY(QDir(root).mkpath("USB"));
    QTRY_VERIFY_WITH_TIMEOUT(captions().contains("USB"), kWait);
    // A tree that shows the drive taken out goes home.
    TFolderTree tree;
    tree.SetPlaces(places.Places());
    connect(&places, &TPlacesList::PlacesChanged, &tree, &TFolderTree::SetPlaces);
    tree.ShowPlace(root + "/CAMERA");
    QCOMPARE(tree.CurrentFolder(), root + "/CAMERA");
    QVERIFY(QDir(root + "/CAMERA").removeRecursively());
    QTRY_VERIFY_WITH_TIMEOUT(!captions().contains("CAMERA"), kWait);
    QCOMPARE(tree.CurrentFolder(), QDir::homePath());
    QCOMPARE(captions().last(), QString("Bestandssysteem"));
    QCOMPARE(places.Places().size(), places.count());
  }

  // The tree shows the place of its folder alone, by its caption; a click on a place in the
  // list above opens that place, and the browser follows.
  void aClickOnAPlaceOpensItInTheTree() {
    QAbstractItemModel* folders = m_tree->model();
    QCOMPARE(folders->rowCount(m_tree->rootIndex()), 1);
    QCOMPARE(folders->index(0, 0, m_tree->rootIndex()).data().toString(),
             QString("Persoonlijke map"));
    auto* places = m_window->Find<TPlacesList>("PlacesList");
    QCOMPARE(places->item(0)->text(), QString("Persoonlijke map"));
    QCOMPARE(places->currentRow(), 0);
    QListWidgetItem* file_system = places->item(places->count() - 1);
    QCOMPARE(file_system->text(), QString("Bestandssysteem"));
    QTest::mouseClick(places->viewport(), Qt::LeftButton, Qt::NoModifier,
                      places->visualItemRect(file_system).center());
    QCOMPARE(m_tree->CurrentFolder(), QString("/"));
    QCOMPARE(m_browser->Folder(), QString("/"));
    QCOMPARE(places->currentRow(), places->count() - 1);
    QTest::mouseClick(places->viewport(), Qt::LeftButton, Qt::NoModifier,
                      places->visualItemRect(places->item(0)).center());
    QCOMPARE(m_tree->CurrentFolder(), QDir(m_window->Home()).absolutePath());
    QCOMPARE(folders->rowCount(m_tree->rootIndex()), 1);
  }

  // At a restart the remembered folder is current at once, among many, and in sight.
  void theRememberedFolderOpensAtOnceInSight() {
    const QDir home(m_window->Home());
    for (int i = 0; i < 120; ++i) QVERIFY(home.mkpath(QString("map%1").arg(i, 3, 10, QChar('0'))));
    QVERIFY(home.mkpath("map110/reis"));
    const QString remembered = home.filePath("map110/reis");
    QVERIFY(m_tree->SetCurrentFolder(remembered));
    m_window->form->close();
    TFormMain again(m_window->DataFolder(), {});
    again.show();
    auto* tree = again.findChild<TFolderTree*>("VirtualExplorerTree1");
    QCOMPARE(tree->CurrentFolder(), remembered);
    QVERIFY(tree->selectionModel()->isSelected(tree->currentIndex()));
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QTRY_VERIFY_WITH_TIMEOUT(
        tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())), kWait);
  }

  void startsAtHomeWhenNoFolderIsStored() {
    QCOMPARE(m_tree->CurrentFolder(), QDir(m_window->Home()).canonicalPath());
    QVERIFY(m_tree->isExpanded(m_tree->currentIndex()));
    QCOMPARE(m_browser->Folder(), m_tree->CurrentFolder());
    // Hidden folders such as .config are not in the tree, nor in the browser.
    QTRY_COMPARE_WITH_TIMEOUT(Names(), QStringList{"Documents"}, kWait);
    QVERIFY(!m_browser->ShowsDetails());
  }

  void listsTheTreesFolderFoldersFirstSortedByName() {
    for (const char* name : {"foto10.jpg", "foto2.jpg", "B.png", "a.txt", "map/in.jpg",
                             "Zmap/x.jpg", ".verborgen.jpg", ".verborgen/y.jpg"})
      QVERIFY(MakeFile(name));
    OpenPhotoFolder();
    QCOMPARE(Names(), QStringList({"map", "Zmap", "a.txt", "B.png", "foto2.jpg", "foto10.jpg"}));
    const TFolderItemsModel& items = m_browser->Items();
    const int photo = static_cast<int>(Names().indexOf("foto2.jpg"));
    QCOMPARE(items.index(photo, TFolderItemsModel::Size).data().toString(),
             QString::fromStdString(SizeText(QFileInfo(Path("foto2.jpg")).size(),
                                             QLocale().decimalPoint().toStdString())));
    QCOMPARE(items.index(photo, TFolderItemsModel::Type).data().toString(), QString("JPG-bestand"));
    QVERIFY(items.index(0, TFolderItemsModel::Size).data().toString().isEmpty());
    QVERIFY(!items.index(photo, TFolderItemsModel::Date).data().toString().isEmpty());
  }

  void doubleClickOnASubFolderBrowsesIntoIt() {
    QVERIFY(MakeFile("map/binnen.jpg"));
    QVERIFY(MakeFile("los.jpg"));
    OpenPhotoFolder();
    QListView* view = m_browser->ThumbnailView();
    const QRect folder = view->visualRect(m_browser->Items().index(0, 0));
    QVERIFY(folder.isValid());
    // The click before gives the view the press that its double click is checked against.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, folder.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, folder.center());
    QCOMPARE(m_browser->Folder(), Path("map"));
    QCOMPARE(m_tree->CurrentFolder(), Path("map"));
    QTRY_COMPARE_WITH_TIMEOUT(Names(), QStringList{"binnen.jpg"}, kWait);
  }

  void viewButtonsSwitchBetweenThumbnailsAndDetails() {
    auto* details = m_window->Find<QToolButton>("btnDetails");
    auto* thumbnails = m_window->Find<QToolButton>("btnView");
    QCOMPARE(details->toolTip(), QString("Lijst overzicht"));
    QCOMPARE(thumbnails->toolTip(), QString("Thumbnail overzicht"));
    details->click();
    QVERIFY(m_browser->ShowsDetails());
    QVERIFY(m_browser->DetailsView()->isVisible());
    QCOMPARE(m_browser->DetailsView()->header()->count(), 4);
    thumbnails->click();
    QVERIFY(!m_browser->ShowsDetails());
    QVERIFY(m_browser->ThumbnailView()->isVisible());
  }

  // A PNG is passed over, ".jpg2" passes the contains-test, and a name listed already
  // (letter case aside) is not added again.
  void addTakesTheSelectedPhotos_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("btnAdd") << "btnAdd";
    QTest::newRow("menu item") << "Toevoegen1";
    QTest::newRow("drag onto the list") << "drag";
  }
  void addTakesTheSelectedPhotos() {
    QFETCH(QString, command);
    for (const char* name : {"a.jpg", "A.JPG", "b.png", "c.jpg2", "d.jpg", "e.txt"})
      QVERIFY(MakeFile(name));
    OpenPhotoFolder();
    Select({"a.jpg", "A.JPG", "b.png", "c.jpg2", "e.txt"});

    QSignalSpy ended(&m_window->form->SelectionList(), &TSelectionList::AddFinished);
    if (command == "drag") {
      QVERIFY(DropSelectionOnTheList());
    } else if (command == "btnAdd") {
      m_window->Find<QToolButton>("btnAdd")->click();
    } else {
      m_window->form->findChild<QAction*>(command)->trigger();
    }
    QVERIFY(ended.wait(kWait));
    QCOMPARE(Captions(), QStringList({"A.JPG", "b.png", "c.jpg2"}));
    QCOMPARE(test::Text(m_list, 0, 2), m_photos->path() + "/");

    Select({"a.jpg", "d.jpg"});
    m_window->Find<QToolButton>("btnAdd")->click();
    QVERIFY(ended.wait(kWait));
    QCOMPARE(Captions(), QStringList({"A.JPG", "b.png", "c.jpg2", "d.jpg"}));
  }

  // The user selects with the mouse and the keys in the thumbnail view (which selects the name
  // column only) or in the details view, then adds from the toolbar or the context menu.
  void addTakesWhatTheUserSelected_data() {
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("added");
    const QList<std::pair<const char*, QStringList>> gestures = {
        {"click", {"b.jpg"}},
        {"ctrl+click", {"a.jpg", "c.jpg"}},
        {"frame", {"a.jpg", "b.jpg"}},
        {"arrow keys", {"b.jpg", "c.jpg"}},
        {"details view", {"a.jpg", "c.jpg"}}};
    for (const auto& [gesture, added] : gestures)
      for (const char* command : {"btnAdd", "context menu"})
        QTest::newRow(qPrintable(QString("%1, %2").arg(gesture, command)))
            << gesture << command << added;
  }
  void addTakesWhatTheUserSelected() {
    QFETCH(QString, gesture);
    QFETCH(QString, command);
    QFETCH(QStringList, added);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) QVERIFY(MakeFile(name));
    OpenPhotoFolder();
    QAbstractItemView* view = m_browser->ThumbnailView();
    if (gesture == "details view") {
      QTest::mouseClick(m_window->Find<QToolButton>("btnDetails"), Qt::LeftButton);
      view = m_browser->DetailsView();
    }
    const auto at = [&](const char* name) {
      return view->visualRect(m_browser->Items().index(static_cast<int>(Names().indexOf(name)), 0))
          .center();
    };
    QWidget* viewport = view->viewport();
    if (gesture == "click") {
      QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at("b.jpg"));
    } else if (gesture == "ctrl+click" || gesture == "details view") {
      QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at("a.jpg"));
      QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, at("c.jpg"));
    } else if (gesture == "frame") {
      // From the empty room below the row of thumbnails up over the first two.
      const QRect first = view->visualRect(m_browser->Items().index(0, 0));
      const QPoint start(first.left() + 2, first.bottom() + 20);
      QVERIFY(!view->indexAt(start).isValid());
      QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
      QTest::mouseMove(viewport, (start + at("b.jpg")) / 2);
      QTest::mouseMove(viewport, at("b.jpg"));
      QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, at("b.jpg"));
    } else if (gesture == "arrow keys") {
      QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at("a.jpg"));
      QTest::keyClick(view, Qt::Key_Right);
      QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    }

    QSignalSpy ended(&m_window->form->SelectionList(), &TSelectionList::AddFinished);
    if (command == "btnAdd") {
      QTest::mouseClick(m_window->Find<QToolButton>("btnAdd"), Qt::LeftButton);
    } else {
      QContextMenuEvent ask(QContextMenuEvent::Mouse, at(qPrintable(added.first())),
                            viewport->mapToGlobal(at(qPrintable(added.first()))));
      QCoreApplication::sendEvent(viewport, &ask);
      auto* menu = m_window->Find<QMenu>("PopupMenuBrowser");
      QTRY_VERIFY(menu->isVisible());
      auto* toevoegen = menu->findChild<QAction*>("Toevoegen1");
      QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                        menu->actionGeometry(toevoegen).center());
    }
    QVERIFY(ended.wait(kWait));
    QCOMPARE(Captions(), added);
  }

  void addAllTakesEveryItemAndAsksOnceForTheFolders() {
    for (const char* name : {"los.jpg", "m1/p1.jpg", "m1/diep/p2.gif", "m2/p3.bmp", "m2/n.png"})
      QVERIFY(MakeFile(name));
    OpenPhotoFolder();
    AnswerFolderQuestions answers(true);
    QSignalSpy ended(&m_window->form->SelectionList(), &TSelectionList::AddFinished);
    m_window->Find<QToolButton>("btnAddAll")->click();
    QVERIFY(ended.wait(kWait));
    QCOMPARE(answers.asked, 1);
    // A PNG is a photo as much as the others: the engine reads it.
    QCOMPARE(Captions(), QStringList({"p1.jpg", "p2.gif", "n.png", "p3.bmp", "los.jpg"}));
    QCOMPARE(m_browser->ThumbnailView()->selectionModel()->selectedRows().size(), 3);
  }

  void thumbnailsArriveForTheItemsInSight() {
    QVERIFY(QDir().mkpath(m_photos->path()));
    // The first photo stands upright, the others lie.
    for (int i = 0; i < 150; ++i)
      QVERIFY(test::WriteTestPhoto(Path(QString("p%1.jpg").arg(i, 3, 10, QChar('0'))),
                                   i == 0 ? 120 : 160, i == 0 ? 160 : 120));
    OpenPhotoFolder();
    const TFolderItemsModel& items = m_browser->Items();
    const auto is_thumbnail = [&](int row) {
      return items.index(row, 0).data(Qt::DecorationRole).typeId() == QMetaType::QPixmap;
    };
    QTRY_VERIFY_WITH_TIMEOUT(is_thumbnail(0), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(is_thumbnail(1), kWait);
    // Upright and lying photos get thumbnails of one square size: the view sizes every item
    // like the first, and a lying first photo would otherwise cut off the captions of the
    // upright ones.
    for (int row : {0, 1})
      QCOMPARE(items.index(row, 0).data(Qt::DecorationRole).value<QPixmap>().size(), QSize(96, 96));
    // The last item lies far below the viewport and was never asked for.
    QVERIFY(!m_browser->ThumbnailView()->viewport()->rect().intersects(
        m_browser->ThumbnailView()->visualRect(items.index(149, 0))));
    QVERIFY(!is_thumbnail(149));

    m_browser->ThumbnailView()->scrollToBottom();
    QTRY_VERIFY_WITH_TIMEOUT(is_thumbnail(149), kWait);
  }

  void phonePhotosAndScansGetThumbnails() {
    QVERIFY(QDir().mkpath(m_photos->path()));
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 160 * 120; ++i) rgba.insert(rgba.end(), {30, 90, 200, 255});
    test::TestPhotoOptions turned;
    turned.orientation = 6;
    const auto write = [&](const char* name, const std::vector<uint8_t>& bytes) {
      test::WriteFileBytes(Path(name).toStdString(), bytes);
    };
    write("a.heic", test::MakeTestHeif(rgba, 160, 120, false, turned));  // stands upright
    write("b.avif", test::MakeTestHeif(rgba, 160, 120, true));
    write("c.webp", test::MakeTestWebp(rgba, 160, 120));
    write("d.tiff", test::MakeTestTiff(rgba, 160, 120));
    OpenPhotoFolder();
    const TFolderItemsModel& items = m_browser->Items();
    // The thumbnails stand on squares; the picture on each shows the photo's shape.
    const QSize sizes[] = {{72, 96}, {96, 72}, {96, 72}, {96, 72}};
    for (int row = 0; row < 4; ++row) {
      const auto thumbnail = [&] { return items.index(row, 0).data(Qt::DecorationRole); };
      QTRY_VERIFY_WITH_TIMEOUT(thumbnail().typeId() == QMetaType::QPixmap, kWait);
      const QImage square = thumbnail().value<QPixmap>().toImage();
      QRect picture;
      for (int y = 0; y < square.height(); ++y)
        for (int x = 0; x < square.width(); ++x)
          if (qAlpha(square.pixel(x, y)) == 255) picture |= QRect(x, y, 1, 1);
      QCOMPARE(picture.size(), sizes[row]);
    }
  }

  // Photos copied into the folder shown appear; the items the user selected stay selected.
  void newFilesAppearWhileTheSelectionStays() {
    for (const char* name : {"b.jpg", "d.jpg", "f.jpg"}) QVERIFY(MakeFile(name));
    OpenPhotoFolder();
    QListView* view = m_browser->ThumbnailView();
    const auto at = [&](const char* name) {
      return view->visualRect(m_browser->Items().index(static_cast<int>(Names().indexOf(name)), 0))
          .center();
    };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at("b.jpg"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, at("f.jpg"));
    QVERIFY(MakeFile("a.jpg"));
    QVERIFY(MakeFile("e.jpg"));
    QVERIFY(QFile::remove(Path("d.jpg")));
    QTRY_COMPARE_WITH_TIMEOUT(Names(), QStringList({"a.jpg", "b.jpg", "e.jpg", "f.jpg"}), kWait);
    QCOMPARE(m_browser->SelectedPaths(), QStringList({Path("b.jpg"), Path("f.jpg")}));
    QCOMPARE(view->currentIndex().data().toString(), QString("f.jpg"));
  }

  // A new listing of the folder updates the items row by row: each item that stays keeps its
  // place in the views (a persistent index), whatever came or went around it.
  void theItemsFollowEveryChangeOfTheFolder_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("shown");  // folders end in "/"
    QTest::newRow("added before, between and after")
        << QStringList{"b.jpg", "d.jpg"} << QStringList{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}
        << QStringList{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"};
    QTest::newRow("removed at both ends and between")
        << QStringList{"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"} << QStringList{"b.jpg", "d.jpg"}
        << QStringList{"b.jpg", "d.jpg"};
    QTest::newRow("all replaced") << QStringList{"a.jpg", "b.jpg"} << QStringList{"c.jpg", "d.jpg"}
                                  << QStringList{"c.jpg", "d.jpg"};
    QTest::newRow("emptied") << QStringList{"a.jpg", "b.jpg"} << QStringList{} << QStringList{};
    QTest::newRow("a file becomes a folder")
        << QStringList{"a.jpg", "x"} << QStringList{"a.jpg", "x/"} << QStringList{"x", "a.jpg"};
  }
  void theItemsFollowEveryChangeOfTheFolder() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QStringList, shown);
    const QDir folder(m_photos->path());
    for (const QString& name : before) QVERIFY(MakeFile(name));
    TFolderItemsModel items;
    QSignalSpy listed(&items, &TFolderItemsModel::Listed);
    items.SetFolder(folder.path());
    QVERIFY(listed.wait(kWait));
    QList<QPersistentModelIndex> kept;
    for (int row = 0; row < items.rowCount(); ++row) kept << items.index(row, 0);

    for (const QString& name : before)
      if (!after.contains(name)) QVERIFY(QFile::remove(Path(name)));
    for (const QString& name : after) {
      if (before.contains(name)) continue;
      QVERIFY(name.endsWith('/') ? folder.mkpath(name) : MakeFile(name));
    }
    items.Refresh();
    QTRY_COMPARE_WITH_TIMEOUT(listed.size(), 2, kWait);

    QStringList names;
    for (int row = 0; row < items.rowCount(); ++row) names << items.Item(row).name;
    QCOMPARE(names, shown);
    for (int i = 0; i < kept.size(); ++i) {
      const QString name = before[i];
      if (after.contains(name))
        QCOMPARE(kept[i].data().toString(), name);
      else
        QVERIFY2(!kept[i].isValid(), qPrintable(name));
    }
  }

  // A photo that changes is shown with its new size, and its old thumbnail goes.
  void aChangedPhotoLosesItsThumbnail() {
    QVERIFY(MakeFile("a.jpg"));
    TFolderItemsModel items;
    QSignalSpy listed(&items, &TFolderItemsModel::Listed);
    QSignalSpy changed(&items, &TFolderItemsModel::FileChanged);
    items.SetFolder(m_photos->path());
    QVERIFY(listed.wait(kWait));
    items.SetThumbnail(Path("a.jpg"), QImage(8, 8, QImage::Format_RGB32));
    QCOMPARE(items.index(0, 0).data(Qt::DecorationRole).typeId(), QMetaType::QPixmap);
    QVERIFY(test::WriteTestPhoto(Path("a.jpg"), 300, 200));
    items.Refresh();
    QTRY_COMPARE_WITH_TIMEOUT(listed.size(), 2, kWait);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toString(), Path("a.jpg"));
    QCOMPARE(items.index(0, 0).data(Qt::DecorationRole).typeId(), QMetaType::QIcon);
    QCOMPARE(items.index(0, TFolderItemsModel::Size).data().toString(),
             QString::fromStdString(SizeText(QFileInfo(Path("a.jpg")).size(),
                                             QLocale().decimalPoint().toStdString())));
  }

  // Photos arriving one after another are gathered: the folder is not listed once per photo.
  void aStormOfChangesListsTheFolderAFewTimes() {
    QVERIFY(MakeFile("begin.jpg"));
    OpenPhotoFolder();
    QSignalSpy listed(&m_browser->Items(), &TFolderItemsModel::Listed);
    constexpr int kPhotos = 100;
    for (int i = 0; i < kPhotos; ++i) {
      QVERIFY(test::WriteTextFile(Path(QString("p%1.jpg").arg(i, 3, 10, QChar('0'))), "x"));
      // Each change reaches the window on its own.
      QCoreApplication::processEvents();
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->Items().rowCount(), kPhotos + 1, kWait);
    QVERIFY2(listed.size() <= 10, qPrintable(QString::number(listed.size())));
  }

  // The wheel scrolls the thumbnails, as in any file browser, and leaves the selection alone.
  void theWheelScrollsTheThumbnails() {
    WheelToArrowKeys wheel_to_keys;
    qApp->installEventFilter(&wheel_to_keys);
    for (int i = 0; i < 80; ++i) QVERIFY(MakeFile(QString("p%1.jpg").arg(i, 2, 10, QChar('0'))));
    OpenPhotoFolder();
    QListView* view = m_browser->ThumbnailView();
    QTRY_VERIFY_WITH_TIMEOUT(view->verticalScrollBar()->maximum() > 0, kWait);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->visualRect(m_browser->Items().index(0, 0)).center());
    const QPointF at = view->viewport()->rect().center();
    QWheelEvent wheel(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->viewport(), &wheel);
    QVERIFY(view->verticalScrollBar()->value() > 0);
    QCOMPARE(m_browser->SelectedPaths(), QStringList{Path("p00.jpg")});
  }

  void theTreesFolderIsStoredOnCloseAndOpenedAtTheNextStart() {
    QVERIFY(MakeFile("map/p.jpg"));
    QVERIFY(m_tree->SetCurrentFolder(Path("map")));
    m_window->form->close();
    const QString data_folder = m_window->DataFolder();
    TFormMain again(data_folder, {});
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.findChild<TFolderTree*>("VirtualExplorerTree1")->CurrentFolder(), Path("map"));
    auto* browser = again.findChild<TThumbnailBrowser*>("VirtualEel1");
    QCOMPARE(browser->Folder(), Path("map"));
    QTRY_COMPARE_WITH_TIMEOUT(browser->Items().rowCount(), 1, kWait);
  }

 private:
  QString Path(const QString& name) const {
    return QDir(m_photos->path()).canonicalPath() + "/" + name;
  }

  bool MakeFile(const QString& name) {
    const QString path = Path(name);
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    return name.endsWith(".jpg") ? test::WriteTestPhoto(path, 16, 12)
                                 : test::WriteTextFile(path, "niet leeg");
  }

  // Opens the photo folder in the tree and waits until the browser lists it.
  void OpenPhotoFolder() {
    QVERIFY(m_tree->SetCurrentFolder(m_photos->path()));
    QCOMPARE(m_browser->Folder(), Path("").chopped(1));
    QTRY_VERIFY_WITH_TIMEOUT(m_browser->Items().rowCount() > 0, kWait);
  }

  QStringList Names() const {
    QStringList names;
    const TFolderItemsModel& items = m_browser->Items();
    for (int row = 0; row < items.rowCount(); ++row) names << items.Item(row).name;
    return names;
  }

  void Select(const QStringList& names) {
    QItemSelectionModel* selection = m_browser->ThumbnailView()->selectionModel();
    selection->clearSelection();
    const QStringList all = Names();
    for (const QString& name : names)
      selection->select(m_browser->Items().index(static_cast<int>(all.indexOf(name)), 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

  // What a drag of the browser's selection carries, dropped onto the list.
  bool DropSelectionOnTheList() {
    const QModelIndexList selected =
        m_browser->ThumbnailView()->selectionModel()->selectedIndexes();
    std::unique_ptr<QMimeData> data(m_browser->Items().mimeData(selected));
    const Qt::DropActions actions = Qt::CopyAction;
    QDragEnterEvent enter(QPoint(5, 5), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_list->viewport(), &enter);
    QDropEvent drop(QPointF(5, 5), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_list->viewport(), &drop);
    return enter.isAccepted() && drop.isAccepted();
  }

  QStringList Captions() const { return test::Captions(m_list); }

  std::unique_ptr<QTemporaryDir> m_cache;
  std::unique_ptr<QTemporaryDir> m_photos;
  std::unique_ptr<test::MainWindowFixture> m_window;
  TFolderTree* m_tree = nullptr;
  TThumbnailBrowser* m_browser = nullptr;
  QTreeView* m_list = nullptr;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::FolderBrowserTest)
#include "FolderBrowserTest.moc"
