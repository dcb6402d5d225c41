#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include "core/lists/ListEntry.h"
#include "gui/browse/SelectionList.h"
#include "gui/browse/TFormMessage2.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/TestPhotos.h"
#include "gui/window/TFormMain.h"

namespace fotoloom {
namespace {

// Answers every folder question that comes up, with a button ("btnOK", "btnAnnuleren") or
// with Escape (no button), and notes how the window looked.
class FolderQuestionAnswers : public QObject {
 public:
  FolderQuestionAnswers(const QString& button, bool include_subfolders)
      : m_button(button), m_include_subfolders(include_subfolders) {
    connect(&m_timer, &QTimer::timeout, this, &FolderQuestionAnswers::AnswerIfAsked);
    m_timer.start(10);
  }

  int asked = 0;
  QStringList faults;  // what was not as it should be when the window showed
  bool bar_shown = true;

 private:
  void AnswerIfAsked() {
    auto* window = qobject_cast<TFormMessage2*>(QApplication::activeModalWidget());
    if (!window) return;
    ++asked;
    auto* box = window->findChild<QCheckBox*>("chkSubDirs");
    if (window->windowTitle() != "Alle foto's kopieeren") faults << window->windowTitle();
    if (window->windowFlags().testFlag(Qt::WindowCloseButtonHint)) faults << "close box";
    if (!box->isChecked()) faults << "box not ticked";
    const auto* question = window->findChild<QLabel*>("lblQuestion");
    if (question->text() != "Wilt u alle foto's toevoegen van de geselecteerde mappen?" ||
        !question->font().bold())
      faults << question->text();
    if (box->text() != "Foto's in submappen ook toevoegen.") faults << box->text();
    const auto* bar = window->parentWidget()->findChild<QProgressBar*>("ProgressBar1");
    bar_shown = bar_shown && bar->isVisible();
    box->setChecked(m_include_subfolders);
    if (m_button.isEmpty())
      QTest::keyClick(window, Qt::Key_Escape);
    else
      window->findChild<QPushButton*>(m_button)->click();
  }

  QString m_button;
  bool m_include_subfolders;
  QTimer m_timer;
};

}  // namespace

class SelectionListTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_data = std::make_unique<QTemporaryDir>();
    m_photos = std::make_unique<QTemporaryDir>();
    QVERIFY(m_data->isValid());
    QVERIFY(m_photos->isValid());
    m_form = std::make_unique<TFormMain>(m_data->filePath("config/Fotoloom/"), QStringList{});
    m_form->show();
    m_list = m_form->findChild<QTreeView*>("ListView1");
  }
  void cleanup() {
    m_form.reset();
    m_photos.reset();
    m_data.reset();
  }

  void droppedFilesPassTheExtensionAndDuplicateTests() {
    for (const char* name :
         {"a.jpg", "A.JPG", "b.JPEG", "c.png", "d.jpg2", "e.txt", "sub/X.jpg", "SUB/x.jpg"})
      QVERIFY(MakeFile(name));
    QVERIFY(Drop({"a.jpg", "A.JPG", "b.JPEG", "c.png", "d.jpg2", "e.txt", "a.jpg"}));
    QCOMPARE(Captions(), QStringList({"a.jpg", "b.JPEG", "c.png", "d.jpg2"}));
    QCOMPARE(Status(), QString("Aantal foto's geselecteerd: 4"));
    QCOMPARE(test::Text(m_list, 0, 1),
             QString::fromStdString(SizeText(QFileInfo(Path("a.jpg")).size(),
                                             QLocale().decimalPoint().toStdString())));
    QCOMPARE(test::Text(m_list, 0, 2), m_photos->path() + "/");
    QCOMPARE(m_form->SelectionList().Entries()[0].stored_name, std::string("a.jpg"));

    // Names and folders that differ only in letter case count as listed already.
    QVERIFY(Drop({"A.JPG", "sub/X.jpg", "SUB/x.jpg"}));
    QCOMPARE(Captions(), QStringList({"a.jpg", "b.JPEG", "c.png", "d.jpg2", "X.jpg"}));
    QCOMPARE(test::Text(m_list, 4, 2), Path("sub/"));
    QCOMPARE(Status(), QString("Aantal foto's geselecteerd: 5"));
  }

  void droppedPhonePhotosAndScansAreTaken() {
    const QStringList names = {"IMG_1.HEIC", "b.heif", "c.avif", "d.webp", "e.tif", "f.TIFF"};
    for (const QString& name : names) QVERIFY(MakeFile(name));
    QVERIFY(Drop(names));
    QCOMPARE(Captions(), names);
  }

  void droppedFoldersAskTheFolderQuestionOnce_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("include_subfolders");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<int>("questions");
    QTest::newRow("OK with sub-folders")
        << "btnOK" << true << QStringList{"voor.jpg", "p1.jpg", "p2.gif", "na.jpg", "q1.bmp"} << 1;
    QTest::newRow("OK without sub-folders")
        << "btnOK" << false << QStringList{"voor.jpg", "p1.jpg", "na.jpg", "q1.bmp"} << 1;
    QTest::newRow("Annuleren ends the add")
        << "btnAnnuleren" << true << QStringList{"voor.jpg"} << 1;
    QTest::newRow("closed otherwise skips the folder and asks at the next")
        << "" << true << QStringList{"voor.jpg", "na.jpg"} << 2;
  }
  void droppedFoldersAskTheFolderQuestionOnce() {
    QFETCH(QString, button);
    QFETCH(bool, include_subfolders);
    QFETCH(QStringList, captions);
    QFETCH(int, questions);
    for (const char* name : {"voor.jpg", "na.jpg", "map/p1.jpg", "map/notities.txt",
                             "map/sub/p2.gif", "map/.verborgen/p3.jpg", "map2/q1.bmp"})
      QVERIFY(MakeFile(name));
    FolderQuestionAnswers answers(button, include_subfolders);
    QVERIFY(Drop({"voor.jpg", "map", "na.jpg", "map2/"}));
    QCOMPARE(answers.asked, questions);
    QCOMPARE(answers.faults, QStringList());
    QVERIFY(answers.bar_shown);
    QCOMPARE(Captions(), captions);
    if (captions.contains("p2.gif")) QCOMPARE(test::Text(m_list, 2, 2), Path("map/sub/"));
    QCOMPARE(Status(), QString("Aantal foto's geselecteerd: %1").arg(captions.size()));
    QVERIFY(m_form->findChild<QProgressBar*>("ProgressBar1")->isHidden());
    QVERIFY(!m_form->SelectionList().Busy());
  }

  void scanBarStartsAgainWhenFull() {
    QVERIFY(QDir().mkpath(Path("veel")));
    for (int i = 0; i < 503; ++i)
      QVERIFY(test::WriteTextFile(Path(QString("veel/p%1.jpg").arg(i, 3, 10, QChar('0'))), ""));
    FolderQuestionAnswers answers("btnOK", true);
    QVERIFY(Drop({"veel"}));
    QCOMPARE(test::RowCount(m_list), 503);
    QCOMPARE(test::Text(m_list, 502, 1),
             QString::fromStdString(SizeText(0, QLocale().decimalPoint().toStdString())));
    QCOMPARE(m_form->findChild<QProgressBar*>("ProgressBar1")->value(), 3);
    QCOMPARE(Status(), QString("Aantal foto's geselecteerd: 503"));
  }

  void dropWhileAnAddRunsIsRefused() {
    QVERIFY(MakeFile("map/p1.jpg"));
    QVERIFY(MakeFile("los.jpg"));
    TSelectionList& selection = m_form->SelectionList();
    QSignalSpy ended(&selection, &TSelectionList::AddFinished);
    // The first add waits for its folder question, which needs the event loop.
    QVERIFY(SendDrop({"map"}));
    QVERIFY(selection.Busy());
    QVERIFY(!SendDrop({"los.jpg"}));
    FolderQuestionAnswers answers("btnOK", true);
    QVERIFY(ended.wait(20000));
    QCOMPARE(Captions(), QStringList{"p1.jpg"});
    QVERIFY(Drop({"los.jpg"}));
    QCOMPARE(Captions(), QStringList({"p1.jpg", "los.jpg"}));
  }

  void removeSelection_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("now_selected");  // -1: none
    QTest::newRow("the last two: the new last is selected")
        << "btnDelete" << QList<int>{3, 4} << QStringList{"p1.jpg", "p2.jpg", "p3.jpg"} << 2;
    QTest::newRow("two apart: the next takes the first one's place")
        << "key" << QList<int>{1, 3} << QStringList{"p1.jpg", "p3.jpg", "p5.jpg"} << 1;
    QTest::newRow("nothing selected changes nothing")
        << "acVerwijderen" << QList<int>{}
        << QStringList{"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"} << -1;
    QTest::newRow("all selected empties the list")
        << "btnDelete" << QList<int>{0, 1, 2, 3, 4} << QStringList{} << -1;
  }
  void removeSelection() {
    QFETCH(QString, command);
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, remaining);
    QFETCH(int, now_selected);
    QVERIFY(AddFivePhotos());
    for (int i : selected) test::ClickRow(m_list, i, Qt::ControlModifier);

    if (command == "key")
      QTest::keyClick(m_list, Qt::Key_Delete);
    else if (command == "acVerwijderen")
      m_form->findChild<QAction*>(command)->trigger();
    else
      m_form->findChild<QToolButton*>(command)->click();

    QCOMPARE(Captions(), remaining);
    QList<int> expected;
    if (now_selected >= 0) expected << now_selected;
    QCOMPARE(test::SelectedRowList(m_list), expected);
    QCOMPARE(Status(), QString("Aantal foto's geselecteerd: %1").arg(remaining.size()));
    QCOMPARE(StepTwoShown(), !remaining.isEmpty());
    QCOMPARE(m_form->findChild<QWidget*>("Panel10")->isVisible(),
             !remaining.isEmpty() && !selected.isEmpty());
  }

  void removeAllHidesStepTwoAndThePreview() {
    QVERIFY(AddFivePhotos());
    test::ClickRow(m_list, 0);
    m_form->findChild<QToolButton*>("btnDeleteAll")->click();
    QCOMPARE(test::RowCount(m_list), 0);
    QCOMPARE(Status(), QString("Aantal foto's geselecteerd: 0"));
    QVERIFY(!StepTwoShown());
    QVERIFY(m_form->findChild<QWidget*>("Panel10")->isHidden());
  }

 private:
  QString Path(const QString& name) const { return m_photos->filePath(name); }

  bool MakeFile(const QString& name) const {
    const QString path = Path(name);
    return QDir().mkpath(QFileInfo(path).path()) && test::WriteTestPhoto(path, 8, 8);
  }

  // Drops the items of the photo folder onto the list, as a file manager does: the drag
  // enters the list and is dropped there. True when the list took the drop.
  bool SendDrop(const QStringList& names) {
    QList<QUrl> urls;
    for (const QString& name : names) urls << QUrl::fromLocalFile(Path(name));
    QMimeData data;
    data.setUrls(urls);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(5, 5), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_list->viewport(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(5, 5), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_list->viewport(), &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
  }

  // Drops and waits for the add to end.
  bool Drop(const QStringList& names) {
    QSignalSpy ended(&m_form->SelectionList(), &TSelectionList::AddFinished);
    return SendDrop(names) && ended.wait(20000);
  }

  // Five photos on the list, with step 2 shown as after Next on step 1.
  bool AddFivePhotos() {
    const QStringList names = {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"};
    for (const QString& name : names)
      if (!MakeFile(name)) return false;
    if (!Drop(names)) return false;
    auto* steps = m_form->findChild<QTabWidget*>("PageControl1");
    steps->setTabVisible(steps->indexOf(m_form->findChild<QWidget*>("TabSheet2")), true);
    return test::RowCount(m_list) == 5 && StepTwoShown();
  }

  bool StepTwoShown() const {
    auto* steps = m_form->findChild<QTabWidget*>("PageControl1");
    return steps->isTabVisible(steps->indexOf(m_form->findChild<QWidget*>("TabSheet2")));
  }

  QString Status() const {
    return m_form->findChild<QStatusBar*>("StatusBar1")->findChild<QLabel*>()->text();
  }

  QStringList Captions() const { return test::Captions(m_list); }

  std::unique_ptr<QTemporaryDir> m_data;
  std::unique_ptr<QTemporaryDir> m_photos;
  std::unique_ptr<TFormMain> m_form;
  QTreeView* m_list = nullptr;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::SelectionListTest)
#include "SelectionListTest.moc"
