#include <QColorDialog>
#include <QDir>
#include <QInputDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <optional>

#include "gui/browse/ThumbnailBrowser.h"
#include "gui/step2/SizeProfilePanel.h"
#include "gui/step2/Step2Panel.h"
#include "gui/common/MessageBoxDialog.h"
#include "gui/support/ModalDialogs.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/TestPhotos.h"

namespace fotoloom {
namespace {

// A title and a close button, never the minimise and maximise buttons of a main window.
bool HasDialogFrame(const QWidget* window) {
  const Qt::WindowFlags flags = window->windowFlags();
  return flags.testFlag(Qt::Dialog) && flags.testFlag(Qt::CustomizeWindowHint) &&
         flags.testFlag(Qt::WindowTitleHint) && !flags.testFlag(Qt::WindowMinimizeButtonHint) &&
         !flags.testFlag(Qt::WindowMaximizeButtonHint);
}

int TextWidth(const QTreeView* list, int row, int column) {
  return list->fontMetrics().horizontalAdvance(
      list->model()->index(row, column).data().toString());
}

// The visible columns end at the right edge of the list: no free width after the last, and
// no column narrower than its caption.
bool ColumnsFillTheWidth(const QTreeView* list) {
  int used = 0;
  for (int column = 0; column < list->header()->count(); ++column) {
    if (list->isColumnHidden(column)) continue;
    if (list->columnWidth(column) < list->header()->sectionSizeHint(column)) return false;
    used += list->columnWidth(column);
  }
  return used == list->viewport()->width();
}

}  // namespace

// How the window looks: lists that use their width, controls that fit the smallest window.
class WindowLooksTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { m_fx.emplace(); }
  void cleanup() { m_fx.reset(); }

  void selectionListColumnsFitTheirTextsAndFillTheList() {
    QVERIFY(m_fx->ShowActive());
    const QString folder = "/home/gebruiker/Afbeeldingen/Vakantie 2024/";
    m_fx->AddPhoto(folder, "vakantie_001.jpg");
    auto* list = m_fx->Find<QTreeView>("ListView1");
    QTRY_VERIFY(list->columnWidth(0) > TextWidth(list, 0, 0));
    QTRY_VERIFY(ColumnsFillTheWidth(list));
    // The path is shown whole while there is room for it.
    QVERIFY2(list->columnWidth(2) >= list->fontMetrics().horizontalAdvance(folder),
             qPrintable(QString("%1 %2 %3 of %4").arg(list->columnWidth(0)).arg(list->columnWidth(1)).arg(list->columnWidth(2)).arg(list->viewport()->width())));
  }

  void detailsViewColumnsFitTheirTextsAndFillTheView() {
    const QString photos = m_fx->Home() + "/Foto's met een lange mapnaam/";
    QVERIFY(QDir().mkpath(photos));
    QVERIFY(test::WriteTestPhoto(photos + "een_foto_met_een_heel_lange_naam.jpg", 40, 30));
    TThumbnailBrowser browser;
    browser.resize(700, 300);
    browser.ShowDetails();
    browser.SetFolder(photos);
    browser.show();
    auto* details = browser.findChild<QTreeView*>();
    QTRY_COMPARE(details->model()->rowCount(), 1);
    QTRY_VERIFY(details->columnWidth(0) > TextWidth(details, 0, 0));
    QTRY_VERIFY(ColumnsFillTheWidth(details));
  }

  // The commands above the selection list look like buttons, with an icon, and stay in sight
  // in the smallest window (no overflow menu that hides some of them).
  void listCommandsAreButtonsInSightAtEverySize_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("captions");
    QTest::newRow("smallest") << QSize(650, 480) << false;
    QTest::newRow("at start") << QSize(952, 665) << true;
  }
  void listCommandsAreButtonsInSightAtEverySize() {
    QFETCH(QSize, size);
    QFETCH(bool, captions);
    QVERIFY(m_fx->ShowActive());
    m_fx->form->resize(size);
    QTRY_COMPARE(m_fx->form->size(), size);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QTest::qWait(20);
    for (const char* name : {"btnAdd", "btnAddAll", "btnDelete", "btnDeleteAll"}) {
      auto* button = m_fx->Find<QToolButton>(name);
      QVERIFY2(button->isVisible(), name);
      QVERIFY2(!button->autoRaise(), name);
      QVERIFY2(!button->icon().isNull(), name);
      QVERIFY2(!button->text().isEmpty(), name);
      QCOMPARE(button->toolButtonStyle(),
               captions ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
      if (!captions) QCOMPARE(button->toolTip(), button->text());
      const QRect shown(button->mapTo(m_fx->form.get(), QPoint(0, 0)), button->size());
      QVERIFY2(m_fx->form->rect().contains(shown) &&
                   button->visibleRegion().boundingRect() == button->rect(),
               name);
    }
  }

  void dialogsHaveADialogFrame() {
    MessageBoxDialog box(m_fx->form.get(), {});
    QVERIFY(HasDialogFrame(&box));
    QVERIFY(box.windowFlags().testFlag(Qt::WindowCloseButtonHint));

    QVERIFY(m_fx->ShowActive());
    m_fx->form->Step2().Profiles().LoadProfiles();
    bool colour_dialog = false;
    test::WhenModalShows<QColorDialog>([&](QColorDialog* dialog) {
      colour_dialog = HasDialogFrame(dialog);
      dialog->reject();
    });
    m_fx->Find<QPushButton>("btnColor")->click();
    QVERIFY(colour_dialog);
    bool profile_name = false;
    test::WhenModalShows<QInputDialog>([&](QInputDialog* dialog) {
      profile_name = HasDialogFrame(dialog);
      dialog->reject();
    });
    m_fx->Find<QToolButton>("btnProfileNew")->click();
    QVERIFY(profile_name);
  }

 private:
  std::optional<test::MainWindowFixture> m_fx;
};

}  // namespace fotoloom

QTEST_MAIN(fotoloom::WindowLooksTest)
#include "WindowLooksTest.moc"
