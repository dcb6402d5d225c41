#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "gui/common/PhotoListModel.h"
#include "gui/publish/TFormExport.h"
#include "gui/support/GuiTestMain.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDialogs.h"

namespace fotoloom {
namespace {

template <typename Widget>
Widget* Find(const QWidget* window, const char* name) {
  auto* found = window->findChild<Widget*>(QString::fromLatin1(name));
  if (!found) qFatal("no control named %s", name);
  return found;
}

void Click(const QWidget* window, const char* button) {
  QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
}

// Opens the kind box and clicks the kind in its list, as a user does.
bool ChooseKind(const QWidget* window, const QString& kind) {
  auto* box = Find<QComboBox>(window, "comboSoort");
  QTest::mouseClick(box, Qt::LeftButton);
  QAbstractItemView* list = box->view();
  if (!QTest::qWaitForWindowExposed(list->window())) return false;
  const QModelIndex index = list->model()->index(box->findText(kind), 0);
  const QPoint where = list->visualRect(index).center();
  // The box ignores a release that comes too soon after it opened without the mouse moving.
  QTest::mouseMove(list->viewport(), where);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
  return box->currentText() == kind && !list->isVisible();
}

QStringList Lines(const QWidget* window) {
  const QString text = Find<QPlainTextEdit>(window, "memoExport")->toPlainText();
  return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
}

}  // namespace

class ExportWindowTest : public QObject {
  Q_OBJECT

  static void AddTwoPhotos(TPhotoListModel& results) {
    results.Append({TListEntry{"zee.jpg", "10.0 kB", "/fotos/klein/", "zee.jpg", true},
                    TListEntry{"strand.jpg", "12.0 kB", "/fotos/klein/", "strand.jpg", false}});
  }

 private slots:
  // The whole road: a kind, OK twice (the list is built afresh, not doubled), unchecked
  // entries included, and the text on the clipboard.
  void xmlListOfTwoPhotosGoesToTheClipboard() {
    TPhotoListModel results(TPhotoListModel::CheckBoxes::Shown);
    AddTwoPhotos(results);
    TFormExport window(results, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(Find<QComboBox>(&window, "comboSoort")->currentText(), QStringLiteral("FOTOS"));
    QCOMPARE(Find<QLineEdit>(&window, "editScript")->text(), QStringLiteral("<bestandsnaam>"));

    QVERIFY(ChooseKind(&window, QStringLiteral("XML")));
    QCOMPARE(Find<QLineEdit>(&window, "editScript")->text(),
             QStringLiteral("<img><bestandsnaam></img>"));
    Click(&window, "Button1");
    Click(&window, "Button1");
    const QStringList expected = {"<img>zee.jpg</img>", "<img>strand.jpg</img>"};
    QCOMPARE(Lines(&window), expected);

    QGuiApplication::clipboard()->setText(QStringLiteral("iets anders"));
    Click(&window, "Button2");
    QCOMPARE(QGuiApplication::clipboard()->text(), expected.join('\n'));
  }

  // An edited template is used as typed, the placeholder in any case and any number of
  // times; choosing a kind afterwards replaces the edited text by that kind's template.
  void editedTemplateIsUsedUntilAKindIsChosen() {
    TPhotoListModel results(TPhotoListModel::CheckBoxes::Shown);
    AddTwoPhotos(results);
    TFormExport window(results, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(ChooseKind(&window, QStringLiteral("HTML")));
    auto* script = Find<QLineEdit>(&window, "editScript");
    QVERIFY(script->text().startsWith(QStringLiteral("<img src=\"/fotos/<bestandsnaam>\"")));
    QTest::mouseClick(script, Qt::LeftButton);
    QTest::keyClick(script, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(script, QStringLiteral("<a href=\"<bestandsnaam>\"><BESTANDSNAAM></a>"));
    Click(&window, "Button1");
    QCOMPARE(Lines(&window), (QStringList{"<a href=\"zee.jpg\">zee.jpg</a>",
                                          "<a href=\"strand.jpg\">strand.jpg</a>"}));

    QVERIFY(ChooseKind(&window, QStringLiteral("FOTOS + MAP")));
    QCOMPARE(script->text(), QStringLiteral("<bestandsnaam>"));
    Click(&window, "Button1");
    QCOMPARE(Lines(&window), (QStringList{"/fotos/klein/zee.jpg", "/fotos/klein/strand.jpg"}));

    // Without the placeholder every photo gets the same line.
    QTest::mouseClick(script, Qt::LeftButton);
    QTest::keyClick(script, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(script, QStringLiteral("<hr>"));
    Click(&window, "Button1");
    QCOMPARE(Lines(&window), (QStringList{"<hr>", "<hr>"}));
  }

  void emptyResultListCopiesEmptyText() {
    TPhotoListModel results(TPhotoListModel::CheckBoxes::Shown);
    TFormExport window(results, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Click(&window, "Button1");
    QVERIFY(Lines(&window).isEmpty());
    QGuiApplication::clipboard()->setText(QStringLiteral("iets anders"));
    Click(&window, "Button2");
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
  }

  // The result list's menu item opens the window modally over the main window, with the
  // busy buttons disabled until it closes; the window lists the result list's entries.
  void menuItemOpensTheWindowWhileBusy() {
    test::MainWindowFixture main;
    QVERIFY(main.ShowActive());
    main.AddPhoto(main.Home() + '/', QStringLiteral("zee.jpg"), QStringLiteral("ListView3"));
    auto* next = main.Find<QPushButton>(QStringLiteral("btnNext"));
    QVERIFY(next->isEnabled());

    bool was_busy = false;
    QStringList listed;
    test::WhenModalShows<TFormExport>([&](TFormExport* window) {
      was_busy = !next->isEnabled();
      Click(window, "Button1");
      listed = Lines(window);
      Click(window, "btnClose");
    });
    auto* menu = main.form->findChild<QMenu*>(QStringLiteral("PopupMenuResults"));
    auto* item = menu->findChild<QAction*>(QStringLiteral("Fotosexporteren1"));
    QVERIFY(menu && item);
    menu->popup(main.form->mapToGlobal(QPoint(100, 100)));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());

    QTRY_VERIFY(!listed.isEmpty());
    QVERIFY(was_busy);
    QCOMPARE(listed, QStringList{"zee.jpg"});
    QTRY_VERIFY(next->isEnabled());
  }
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::ExportWindowTest)
#include "ExportWindowTest.moc"
