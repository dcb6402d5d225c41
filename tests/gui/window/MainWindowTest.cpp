#include <pwd.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QProgressBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWheelEvent>

#include "gui/common/WheelToArrowKeys.h"
#include "gui/support/GuiTestMain.h"
#include "gui/window/CustomMode.h"
#include "gui/window/TFormMain.h"

namespace fotoloom {

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(m_data.isValid());
    m_form = std::make_unique<TFormMain>(m_data.filePath("config/Fotoloom/"), QStringList{});
  }
  void cleanup() { m_form.reset(); }

  // Every GUI test program runs in a home of its own: the window never browses the user's
  // folders nor writes into the user's thumbnail cache.
  void testsRunOutsideTheUsersHome() {
    const passwd* user = getpwuid(getuid());
    QVERIFY(user);
    const QString real_home = QDir(QFile::decodeName(user->pw_dir)).canonicalPath();
    QVERIFY(QDir(QDir::homePath()).canonicalPath() != real_home);
    QVERIFY(QDir::homePath().startsWith(QDir::tempPath()));
    for (const auto location :
         {QStandardPaths::GenericCacheLocation, QStandardPaths::GenericConfigLocation,
          QStandardPaths::GenericDataLocation})
      QVERIFY(QStandardPaths::writableLocation(location).startsWith(QDir::homePath() + '/'));
  }

  void controlsCarryTheirNamesAndTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");
    const auto row = [](const char* name, const char* kind, const char* text = "",
                        const char* hint = "") {
      QTest::newRow(name) << name << kind << text << hint;
    };
    row("panelHeader", "QWidget");
    row("lblTitle", "QLabel", "Fotoloom 3.0");
    row("lblDescription", "QLabel", "Eenvoudig al uw foto's verkleinen, bewerken en mailen...");
    row("Notebook1", "QStackedWidget");
    row("PageControl1", "QTabWidget");
    row("TabSheet1", "QWidget");
    row("TabSheet2", "QWidget");
    row("ListView1", "QTreeView");
    row("Panel10", "QFrame");
    row("Image321", "QLabel");
    row("Image322", "QLabel");
    row("Image323", "QLabel");
    row("Image324", "QLabel");
    row("ListView3", "QTreeView", "",
        "In het rechterscherm kunt u de foto's bewerken of uploaden!");
    row("SpeedButton8", "QToolButton", "", "Afbeelding roteren");
    row("SpeedButton9", "QToolButton", "", "Afbeelding bewerken");
    row("btnMapOpenen", "QPushButton", "Map openen ");
    row("btnExtra", "QPushButton", "Opties >");
    row("btnUploaden", "QPushButton", "Foto's uploaden ");
    row("btnMailen", "QPushButton", "Foto's mailen ");
    row("btnNext", "QPushButton", "Ga verder ");
    row("ProgressBar1", "QProgressBar");
  }
  void controlsCarryTheirNamesAndTexts() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QString, hint);
    // The main window's own controls; the windows it owns (the photo editor) have theirs.
    QList<QWidget*> found = m_form->findChildren<QWidget*>(name);
    found.removeIf([&](const QWidget* control) { return control->window() != m_form.get(); });
    QCOMPARE(found.size(), 1);
    QWidget* control = found.first();
    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
    if (auto* label = qobject_cast<QLabel*>(control)) QCOMPARE(label->text(), text);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) QCOMPARE(button->text(), text);
    QCOMPARE(control->toolTip(), hint);
  }

  void startsOnTheStepsPage() {
    QCOMPARE(m_form->windowTitle(), QString("Fotoloom"));
    QCOMPARE(m_form->size(), QSize(952, 665));
    QCOMPARE(Find<QStackedWidget>("Notebook1")->currentIndex(), 0);
    auto* tabs = Find<QTabWidget>("PageControl1");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QString("Stap 1: Foto's selecteren"));
    QCOMPARE(tabs->tabText(1), QString("Stap 2: Formaat instellen"));
    QCOMPARE(tabs->widget(0), Find<QWidget>("TabSheet1"));
    QCOMPARE(tabs->widget(1), Find<QWidget>("TabSheet2"));
    auto* progress = Find<QProgressBar>("ProgressBar1");
    QCOMPARE(progress->maximum(), 500);
    QVERIFY(progress->isHidden());
    QVERIFY(Find<QWidget>("Panel10")->isHidden());
    QCOMPARE(Find<QWidget>("btnNext")->size(), QSize(129, 25));
    QCOMPARE(Find<QWidget>("Image322")->parentWidget()->size(), QSize(169, 177));
    for (const char* strip : {"Image323", "Image324"}) {
      auto* picture = Find<QLabel>(strip);
      QCOMPARE(picture->size(), QSize(185, 216));
      QVERIFY(!picture->pixmap().isNull());
    }
    QVERIFY(QDir(m_data.filePath("config/Fotoloom")).exists());
  }

  void photoListsHaveTheirColumns_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("columns");
    QTest::newRow("selection list") << "ListView1" << 3;
    QTest::newRow("result list") << "ListView3" << 3;
  }
  void photoListsHaveTheirColumns() {
    QFETCH(QString, name);
    QFETCH(int, columns);
    auto* list = Find<QTreeView>(name);
    QCOMPARE(list->model()->columnCount(), columns);
    const QStringList captions = {"Bestandsnaam", "Grootte", "Pad"};
    for (int column = 0; column < 3; ++column) {
      QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), captions[column]);
      QVERIFY(!list->isColumnHidden(column));
    }
    QVERIFY(list->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
            Qt::AlignRight);
    if (columns == 4) QVERIFY(list->isColumnHidden(3));
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  }

  void contextMenusListTheirItemsInOrder_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("selection list") << "PopupMenuSelection"
                                    << QStringList{"acVerwijderen Selectie verwijderen",
                                                   "acAllesVerwijderen Alles verwijderen",
                                                   "-",
                                                   "Afbeeldingroteren1 Afbeelding roteren F5",
                                                   "Afbeeldingbewerken2 Afbeelding bewerken F9",
                                                   "-",
                                                   "Mapopenen1 Map openen"};
    QTest::newRow("result list") << "PopupMenuResults"
                                 << QStringList{"Maplinkkopieeren1 Map link kopieeren",
                                                "Bestandsnaamwijzigen1 Bestandsnaam wijzigen F2",
                                                "-",
                                                "Alleregelsaanvinken1 Alle regels aanvinken",
                                                "Alleregelsuitvinken1 Alle regels uitvinken",
                                                "-",
                                                "Emailinstellingen1 Email gegevens instellen",
                                                "FTPgegevensinstellen FTP gegevens instellen",
                                                "-",
                                                "Roteren90graden Afbeelding roteren F5",
                                                "Afbeeldingbewerken1 Afbeelding bewerken F9",
                                                "-",
                                                "Fotosexporteren1 Foto's exporteren...",
                                                "Mapopenen2 Map openen"};
    QTest::newRow("browser") << "PopupMenuBrowser"
                             << QStringList{"Toevoegen1 Toevoegen",
                                            "Allestoevoegen1 Alles toevoegen"};
  }
  void contextMenusListTheirItemsInOrder() {
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    QStringList shown;
    for (const QAction* action : Find<QMenu>(menu)->actions()) {
      if (action->isSeparator()) {
        shown << "-";
        continue;
      }
      QString item = action->objectName() + ' ' + action->text();
      if (!action->shortcut().isEmpty()) item += ' ' + action->shortcut().toString();
      shown << item;
    }
    QCOMPARE(shown, items);
  }

  // "Opties >" is a menu button: a plain left click opens the result list's menu at the
  // mouse, not only a right click.
  void optionsButtonOpensTheResultMenuOnALeftClick() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    Find<QStackedWidget>("Notebook1")->setCurrentIndex(1);
    m_form->SetResultCommandsEnabled(true);
    auto* options = Find<QAbstractButton>("btnExtra");
    auto* menu = Find<QMenu>("PopupMenuResults");
    const QPoint at = options->rect().center();
    QTest::mouseMove(options, at);
    QTest::mouseClick(options, Qt::LeftButton, {}, at);
    QTRY_VERIFY(menu->isVisible());
    // At the mouse: below it, or above it where the screen ends.
    const QPoint mouse = options->mapToGlobal(at);
    QCOMPARE(menu->x(), mouse.x());
    QVERIFY(menu->y() == mouse.y() || menu->geometry().bottom() + 1 == mouse.y());
    menu->close();
    QTRY_VERIFY(!menu->isVisible());
  }

  // With the focus in "JPG Kwaliteit", the wheel turned over a label or the empty room of the
  // page leaves the quality alone; over the field itself it steps it.
  void theWheelLeavesAFocusedFieldElsewhereAlone() {
    WheelToArrowKeys wheel_to_keys;
    qApp->installEventFilter(&wheel_to_keys);
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    auto* tabs = m_form->findChild<QTabWidget*>("PageControl1");
    auto* step2 = m_form->findChild<QWidget*>("TabSheet2");
    tabs->setTabVisible(tabs->indexOf(step2), true);
    tabs->setCurrentWidget(step2);
    auto* quality = m_form->findChild<QSpinBox*>("editJPGKwaliteit");
    quality->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), quality);
    const int before = quality->value();
    QLabel* label = nullptr;
    for (QLabel* candidate : step2->findChildren<QLabel*>())
      if (candidate->text() == "JPG Kwaliteit") label = candidate;
    QVERIFY(label);
    const QPoint empty_room =
        step2->mapTo(m_form.get(), QPoint(step2->width() - 3, step2->height() - 3));
    for (const QPoint& at : {label->mapTo(m_form.get(), label->rect().center()), empty_room})
      for (int turn = 0; turn < 3; ++turn) TurnWheelAt(at);
    QCOMPARE(quality->value(), before);
    TurnWheelAt(quality->mapTo(m_form.get(), quality->rect().center()));
    QCOMPARE(quality->value(), before - 1);
  }

  void windowStopsAtItsMinimumSize() {
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->resize(300, 200);
    QCOMPARE(m_form->size(), QSize(650, 480));
    // Every control still fits at that size.
    const QSize needed = m_form->layout()->minimumSize();
    QVERIFY2(needed.width() <= 650 && needed.height() <= 480,
             qPrintable(QString("%1 x %2").arg(needed.width()).arg(needed.height())));
  }

  void busyAndResultSwitchesDisableTheirButtons_data() {
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("results_enabled");
    QTest::addColumn<QStringList>("disabled");
    QTest::newRow("busy") << true << true
                          << QStringList{"btnNext", "btnMapOpenen", "btnMailen", "btnExtra",
                                         "btnUploaden"};
    QTest::newRow("result commands off")
        << false << false << QStringList{"btnMailen",   "btnMapOpenen", "btnExtra",
                                         "btnUploaden", "SpeedButton8", "SpeedButton9"};
    QTest::newRow("both off") << true << false
                              << QStringList{"btnNext",     "btnMapOpenen", "btnMailen",
                                             "btnExtra",    "btnUploaden",  "SpeedButton8",
                                             "SpeedButton9"};
  }
  void busyAndResultSwitchesDisableTheirButtons() {
    QFETCH(bool, busy);
    QFETCH(bool, results_enabled);
    QFETCH(QStringList, disabled);
    m_form->SetResultCommandsEnabled(results_enabled);
    if (busy) m_form->SetBusy(true);
    for (const char* name : {"btnNext", "btnMapOpenen", "btnMailen", "btnExtra", "btnUploaden",
                             "SpeedButton8", "SpeedButton9"}) {
      QCOMPARE(Find<QWidget>(name)->isEnabled(), !disabled.contains(name));
    }
    // Leaving the busy state enables the five buttons again, whatever came before.
    m_form->SetBusy(false);
    for (const char* name : {"btnNext", "btnMapOpenen", "btnMailen", "btnExtra", "btnUploaden"})
      QVERIFY(Find<QWidget>(name)->isEnabled());
  }

  void customModeSwitch_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("on");
    QTest::newRow("slash, capitals") << QStringList{"/CUSTOM=KESTROVA"} << true;
    QTest::newRow("no dash or slash") << QStringList{"custom=kestrova"} << false;
    QTest::newRow("dash, mixed case") << QStringList{"-Custom=Kestrova"} << true;
    QTest::newRow("longer word") << QStringList{"/custom=kestrovax"} << false;
    QTest::newRow("two dashes") << QStringList{"--custom=kestrova"} << false;
    QTest::newRow("among other arguments") << QStringList{"foto.jpg", "-custom=kestrova"} << true;
    QTest::newRow("slash alone") << QStringList{"/"} << false;
    QTest::newRow("no arguments") << QStringList{} << false;
  }
  void customModeSwitch() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, on);
    QCOMPARE(HasCustomModeSwitch(arguments), on);
  }

  void customModeCaption() {
    QCOMPARE(MainWindowCaption(false), QString("Fotoloom"));
    QCOMPARE(MainWindowCaption(true), QString("Fotoloom | Kestrova Custommode"));
  }

 private:
  // A wheel turn towards the user, sent to the widget under `at` (the window's coordinates).
  void TurnWheelAt(const QPoint& at) {
    QWidget* under = m_form->childAt(at);
    if (!under) under = m_form.get();
    const QPointF local = under->mapFrom(m_form.get(), at);
    QWheelEvent wheel(local, under->mapToGlobal(local), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(under, &wheel);
  }

  template <typename Widget>
  Widget* Find(const QString& name) {
    auto* found = m_form->findChild<Widget*>(name);
    if (!found) qFatal("no control named %s", qPrintable(name));
    return found;
  }

  QTemporaryDir m_data;
  std::unique_ptr<TFormMain> m_form;
};

}  // namespace fotoloom

FOTOLOOM_GUI_TEST_MAIN(fotoloom::MainWindowTest)
#include "MainWindowTest.moc"
