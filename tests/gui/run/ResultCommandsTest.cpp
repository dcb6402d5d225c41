#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "gui/common/PhotoListModel.h"
#include "gui/run/ResultPreview.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/PhotoListView.h"
#include "gui/support/ScriptedMessages.h"
#include "gui/support/TestPhotos.h"

namespace fotoloom {

// Stands in for the desktop: records every file address handed to it.
class DesktopHandler : public QObject {
  Q_OBJECT

 public:
  DesktopHandler() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
  ~DesktopHandler() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

  QList<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened << url; }
};

namespace {

const QString kLinkCopied = QStringLiteral(
    "Link is gekopieerd! U kunt de link bijv. plakken bij de bestandsnaam bij het selecteren "
    "van foto's op Facebook of Hyves.");
const QString kLeavesFolder = QStringLiteral(
    "Een bestandsnaam mag geen \"/\" bevatten en niet \".\" of \"..\" zijn: de foto zou dan "
    "in een andere map komen.");

}  // namespace

class ResultCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_photos = std::make_unique<QTemporaryDir>();
    m_folder = m_photos->path() + '/';
    m_fx = std::make_unique<test::MainWindowFixture>();
    QVERIFY(m_fx->ShowActive());
    m_fx->Find<QStackedWidget>("Notebook1")->setCurrentIndex(1);
    m_fx->form->SetResultCommandsEnabled(true);
  }
  void cleanup() {
    m_fx.reset();
    m_photos.reset();
  }

  // Check and uncheck all walk every entry; HasCheckedEntries follows the check marks that
  // the user sets too. On an empty list neither command does anything.
  void checkAllAndHasCheckedEntries() {
    TPhotoListModel& entries = Entries();
    ChooseFromMenu("Alleregelsaanvinken1");
    QCOMPARE(entries.Count(), 0);
    QVERIFY(!entries.HasCheckedEntries());

    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) AddResult(name);
    QVERIFY(!entries.HasCheckedEntries());
    ChooseFromMenu("Alleregelsaanvinken1");
    QCOMPARE(CheckStates(), QList<bool>({true, true, true}));
    QVERIFY(entries.HasCheckedEntries());

    // The user unticks the first two: the last one still counts.
    for (int row : {0, 1}) ClickCheckBox(row);
    QCOMPARE(CheckStates(), QList<bool>({false, false, true}));
    QVERIFY(entries.HasCheckedEntries());

    ChooseFromMenu("Alleregelsuitvinken1");
    QCOMPARE(CheckStates(), QList<bool>({false, false, false}));
    QVERIFY(!entries.HasCheckedEntries());
    ClickCheckBox(1);
    QVERIFY(entries.HasCheckedEntries());
  }

  // F2 on the selected entry: the prompt offers the stored name; what the user types becomes
  // the file's name in the same folder, or is refused with a message that leaves the file
  // and the caption as they were.
  void rename_data() {
    QTest::addColumn<QString>("answer");  // a null answer cancels the prompt
    QTest::addColumn<bool>("file_gone");  // the photo was removed before the rename
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("message");
    const QStringList untouched = {"a.jpg", "b.jpg"};
    QTest::newRow("blanks trimmed")
        << " strand.jpg  " << false << "strand.jpg" << QStringList{"b.jpg", "strand.jpg"} << "";
    QTest::newRow("no extension") << "strand" << false << "strand" << QStringList{"b.jpg", "strand"}
                                  << "";
    QTest::newRow("taken name") << "b.jpg" << false << "a.jpg" << untouched
                                << "Er staat al een bestand \"b.jpg\" in de map \"%1\". Kies "
                                   "een andere naam.";
    QTest::newRow("separator") << "sub/a.jpg" << false << "a.jpg" << untouched << kLeavesFolder;
    QTest::newRow("dot dot") << ".." << false << "a.jpg" << untouched << kLeavesFolder;
    QTest::newRow("unchanged") << " a.jpg" << false << "a.jpg" << untouched << "";
    QTest::newRow("only blanks") << "   " << false << "a.jpg" << untouched << "";
    QTest::newRow("cancelled") << QString() << false << "a.jpg" << untouched << "";
    QTest::newRow("file gone") << "c.jpg" << true << "a.jpg" << QStringList{"b.jpg"}
                               << QString(
                                      "Kan de naam van \"%1a.jpg\" niet wijzigen in "
                                      "\"c.jpg\". ") +
                                      QString::fromLocal8Bit(std::strerror(ENOENT)) + '.';
  }
  void rename() {
    QFETCH(QString, answer);
    QFETCH(bool, file_gone);
    QFETCH(QString, caption);
    QFETCH(QStringList, files);
    QFETCH(QString, message);
    QDir(m_folder).mkdir("sub");
    QVERIFY(test::WriteTextFile(m_folder + "a.jpg", "foto a"));
    QVERIFY(test::WriteTextFile(m_folder + "b.jpg", "foto b"));
    AddResult("a.jpg");
    AddResult("b.jpg");
    if (file_gone) QVERIFY(QFile::remove(m_folder + "a.jpg"));
    test::ClickRow(Results(), 0);

    test::ScriptedMessages messages({MessageAnswer::Ok});
    QCOMPARE(PressF2Answering(answer),
             QStringList({"Bestandsnaam wijzigen", "Bestandsnaam", "a.jpg"}));

    QCOMPARE(test::Captions(Results()), QStringList({caption, "b.jpg"}));
    QCOMPARE(QDir(m_folder).entryList(QDir::Files, QDir::Name), files);
    QCOMPARE(QDir(m_folder + "sub").entryList(QDir::Files), QStringList());
    if (files.contains(caption)) {
      const QString content = caption == "b.jpg" ? "foto b" : "foto a";
      QCOMPARE(test::ReadWholeFile(m_folder + caption), content.toUtf8());
    }
    QCOMPARE(test::ReadWholeFile(m_folder + "b.jpg"), QByteArray("foto b"));
    if (message.isEmpty()) {
      QCOMPARE(messages.asked.size(), 0);
    } else {
      QCOMPARE(messages.asked.size(), 1);
      QCOMPARE(messages.asked[0].type, MessageType::Error);
      QCOMPARE(messages.asked[0].text, message.arg(m_folder));
    }
  }

  // The stored name follows the caption: a second rename of the same entry offers the new
  // name and finds the file under it. The preview follows each rename.
  void secondRenameOfTheSameEntry() {
    QVERIFY(test::WriteTestPhoto(m_folder + "a.jpg", 40, 30));
    AddResult("a.jpg");
    // After a run the target folder is the photos' folder; the key released after F2 looks
    // there.
    m_fx->form->SetTargetFolder(m_folder);
    QSignalSpy loads(Results()->findChild<TResultPreview*>(), &TResultPreview::LoadStarted);
    test::ClickRow(Results(), 0);
    QTRY_COMPARE(loads.size(), 1);

    test::ScriptedMessages messages;
    QCOMPARE(PressF2Answering("strand.jpg").value(2), QString("a.jpg"));
    QTRY_COMPARE(loads.size(), 2);
    QCOMPARE(loads.last()[0].toString(), m_folder + "strand.jpg");
    QCOMPARE(PressF2Answering("zee.jpg").value(2), QString("strand.jpg"));
    QTRY_COMPARE(loads.size(), 3);
    QCOMPARE(loads.last()[0].toString(), m_folder + "zee.jpg");

    QCOMPARE(test::Captions(Results()), QStringList{"zee.jpg"});
    QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{"zee.jpg"});
    QCOMPARE(Entries().Entry(0).stored_name, std::string("zee.jpg"));
    QCOMPARE(messages.asked.size(), 0);
  }

  // F2 with the focus in the list but no entry selected asks nothing.
  void renameWithNothingSelectedDoesNothing() {
    QVERIFY(test::WriteTextFile(m_folder + "a.jpg", "foto a"));
    AddResult("a.jpg");
    Results()->setFocus();
    QTRY_VERIFY(Results()->hasFocus());
    QVERIFY(test::SelectedRowList(Results()).isEmpty());
    bool asked = false;
    QTimer::singleShot(0, [&] {
      if (auto* prompt = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
        asked = true;
        prompt->reject();
      }
    });
    QTest::keyClick(Results(), Qt::Key_F2);
    QCoreApplication::processEvents();
    QVERIFY(!asked);
    QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{"a.jpg"});
  }

  // "Map link kopieeren" copies the folder field's text as it stands, a sub-folder name or
  // nothing at all, and always says so.
  void copyFolderLink_data() {
    QTest::addColumn<QString>("field");
    QTest::newRow("sub-folder name") << "verkleind";
    QTest::newRow("folder") << "/home/an/Foto's export";
    QTest::newRow("empty") << "";
  }
  void copyFolderLink() {
    QFETCH(QString, field);
    m_fx->Find<QLineEdit>("editExportMap")->setText(field);
    QGuiApplication::clipboard()->setText("iets anders");
    test::ScriptedMessages messages({MessageAnswer::Ok});
    ChooseFromMenu("Maplinkkopieeren1");
    QCOMPARE(QGuiApplication::clipboard()->text(), field);
    QCOMPARE(messages.asked.size(), 1);
    QCOMPARE(messages.asked[0].type, MessageType::Information);
    QCOMPARE(messages.asked[0].buttons, MessageButtons::Ok);
    QCOMPARE(messages.asked[0].text, kLinkCopied);
  }

  // The menu item opens the folder field's text, the button the target folder of the last
  // run; both through the desktop's handler.
  void openFolders() {
    DesktopHandler desktop;
    m_fx->Find<QLineEdit>("editExportMap")->setText(m_folder + "veld");
    m_fx->form->SetTargetFolder(m_folder + "doel/");
    ChooseFromMenu("Mapopenen2");
    QTest::mouseClick(m_fx->Find<QPushButton>("btnMapOpenen"), Qt::LeftButton);
    QCOMPARE(desktop.opened, QList<QUrl>({QUrl::fromLocalFile(m_folder + "veld"),
                                          QUrl::fromLocalFile(m_folder + "doel/")}));
  }

  // There is no command that removes a result: Delete leaves the list and the files alone.
  void deleteRemovesNothing() {
    for (const char* name : {"a.jpg", "b.jpg"}) {
      QVERIFY(test::WriteTextFile(m_folder + name, name));
      AddResult(name);
    }
    test::ClickRow(Results(), 0);
    test::ClickRow(Results(), 1, Qt::ControlModifier);
    QTest::keyClick(Results(), Qt::Key_Delete);
    QCOMPARE(test::Captions(Results()), QStringList({"a.jpg", "b.jpg"}));
    QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList({"a.jpg", "b.jpg"}));
  }

  // F5 and F9 act on the list, or the preview, that has the focus: each key fires its own
  // list's item once and never the other list's.
  void photoKeysFireTheirListsItem_data() {
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("item");
    const auto row = [](const char* widget, Qt::Key key, const char* item) {
      QTest::addRow("%s %s", widget, key == Qt::Key_F5 ? "F5" : "F9") << widget << int(key) << item;
    };
    row("ListView1", Qt::Key_F5, "Afbeeldingroteren1");
    row("ListView1", Qt::Key_F9, "Afbeeldingbewerken2");
    row("Image321", Qt::Key_F5, "Afbeeldingroteren1");
    row("Image321", Qt::Key_F9, "Afbeeldingbewerken2");
    row("ListView3", Qt::Key_F5, "Roteren90graden");
    row("ListView3", Qt::Key_F9, "Afbeeldingbewerken1");
    row("Image322", Qt::Key_F5, "Roteren90graden");
    row("Image322", Qt::Key_F9, "Afbeeldingbewerken1");
  }
  void photoKeysFireTheirListsItem() {
    QFETCH(QString, widget);
    QFETCH(int, key);
    QFETCH(QString, item);
    const auto spies = SpyOnPhotoItems();
    auto* selection = m_fx->Find<QTreeView>("ListView1");
    if (widget.endsWith('1')) {
      m_fx->Find<QStackedWidget>("Notebook1")->setCurrentIndex(0);
      m_fx->AddPhoto(m_folder, "a.jpg");
      // A selected entry shows the preview panel.
      test::ClickRow(selection, 0);
    } else {
      AddResult("a.jpg");
      test::ClickRow(Results(), 0);
    }
    auto* target = m_fx->Find<QWidget>(widget);
    QTRY_VERIFY(target->isVisible());
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_COMPARE(QApplication::focusWidget(), target);

    QTest::keyClick(target, Qt::Key(key));
    for (const auto& [name, spy] : spies) QCOMPARE(spy->size(), name == item ? 1 : 0);
  }

  // A double click on an entry edits it, in either list; one below the entries does nothing.
  void doubleClickEditsTheEntry_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("item");
    QTest::newRow("selection list") << "ListView1"
                                    << "Afbeeldingbewerken2";
    QTest::newRow("result list") << "ListView3"
                                 << "Afbeeldingbewerken1";
  }
  void doubleClickEditsTheEntry() {
    QFETCH(QString, list);
    QFETCH(QString, item);
    const auto spies = SpyOnPhotoItems();
    m_fx->Find<QStackedWidget>("Notebook1")->setCurrentIndex(list == "ListView1" ? 0 : 1);
    auto* view = m_fx->Find<QTreeView>(list);
    m_fx->AddPhoto(m_folder, "a.jpg", list);
    QTRY_VERIFY(view->isVisible());

    const QRect entry = view->visualRect(view->model()->index(0, 0));
    // A double click is a click and then the second press, as the user makes it.
    for (const QPoint at : {entry.center() + QPoint(20, 0),
                            QPoint(entry.center().x(), entry.bottom() + 3 * entry.height())}) {
      QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    for (const auto& [name, spy] : spies) QCOMPARE(spy->size(), name == item ? 1 : 0);
  }

 private:
  QTreeView* Results() const { return m_fx->Find<QTreeView>("ListView3"); }
  TPhotoListModel& Entries() const { return *qobject_cast<TPhotoListModel*>(Results()->model()); }
  void AddResult(const QString& name) { m_fx->AddPhoto(m_folder, name, "ListView3"); }

  QList<bool> CheckStates() const {
    QList<bool> states;
    for (const TListEntry& entry : Entries().Entries()) states << entry.checked;
    return states;
  }

  // A click on the check box in front of the entry.
  void ClickCheckBox(int row) { test::ClickCheckBox(Results(), row); }

  // Opens the result list's menu and clicks the item.
  void ChooseFromMenu(const char* item_name) {
    auto* menu = m_fx->Find<QMenu>("PopupMenuResults");
    auto* item = menu->findChild<QAction*>(QString::fromLatin1(item_name));
    QVERIFY(item);
    menu->popup(Results()->viewport()->mapToGlobal(QPoint(20, 20)));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QTRY_VERIFY(!menu->isVisible());
  }

  // Presses F2 in the result list; the prompt that shows gets the answer typed into it (a
  // null answer cancels it). Returns what the prompt showed: title, label, start text.
  QStringList PressF2Answering(const QString& answer) {
    QStringList seen;
    test::WhenModalShows<QInputDialog>([&](QInputDialog* prompt) {
      seen << prompt->windowTitle() << prompt->labelText() << prompt->textValue();
      if (answer.isNull()) {
        prompt->reject();
        return;
      }
      auto* field = prompt->findChild<QLineEdit*>();
      field->selectAll();
      QTest::keyClicks(field, answer);
      QTest::keyClick(field, Qt::Key_Return);
    });
    // The window is active again once an earlier prompt has gone, as on a desktop.
    if (!m_fx->ShowActive()) return {};
    Results()->setFocus();
    QTest::keyClick(Results(), Qt::Key_F2);
    return seen;
  }

  // Spies on the rotate and edit items of both lists. Whatever those items do is another
  // test's business: here only the gestures that fire them count.
  std::map<QString, std::unique_ptr<QSignalSpy>> SpyOnPhotoItems() {
    std::map<QString, std::unique_ptr<QSignalSpy>> spies;
    for (const char* name :
         {"Afbeeldingroteren1", "Afbeeldingbewerken2", "Roteren90graden", "Afbeeldingbewerken1"}) {
      auto* item = m_fx->form->findChild<QAction*>(QString::fromLatin1(name));
      QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
      spies[name] = std::make_unique<QSignalSpy>(item, &QAction::triggered);
    }
    return spies;
  }

  std::unique_ptr<QTemporaryDir> m_photos;
  QString m_folder;
  std::unique_ptr<test::MainWindowFixture> m_fx;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::ResultCommandsTest)
#include "ResultCommandsTest.moc"
