#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <optional>

#include "gui/support/MainWindowFixture.h"

namespace fotoloom {
namespace {

// The controls of step 2 that show at the start, by name.
const QStringList kControls = {
    "lblDoelmap",        "editExportMap",     "btnSelectExportmap", "cmbProfiel",
    "btnProfileNew",     "btnProfileDelete",  "editNormalBreedte",  "editNormalHoogte",
    "editJPGKwaliteit",  "editColor",         "btnColor",           "RadioTargetMap",
    "RadioTargetSame",   "RadioTargetSubmap", "RadioTargetUpload",  "chkAddLogo",
    "chkAddText",        "RadioRenameSame",   "RadioRenameGenerate", "RadioRenameUnique"};

// The fields that start the second column of the form, one below the other.
const QStringList kFirstFields = {"editExportMap", "cmbProfiel", "editNormalBreedte",
                                  "editJPGKwaliteit"};

}  // namespace

// Step 2 lines up its fields, keeps them in place and fits the smallest window.
class Step2LayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_fx.emplace();
    QVERIFY(m_fx->ShowActive());
    auto* tabs = m_fx->Find<QTabWidget>("PageControl1");
    tabs->setTabVisible(1, true);
    tabs->setCurrentIndex(1);
  }
  void cleanup() { m_fx.reset(); }

  void everyControlFitsTheSmallestWindow() {
    m_fx->form->resize(650, 480);
    QTRY_COMPARE(m_fx->form->size(), QSize(650, 480));
    Settle();
    const QRect window = m_fx->form->rect();
    for (const QString& name : kControls) {
      const QWidget* control = m_fx->Find<QWidget>(name);
      QVERIFY2(control->isVisibleTo(m_fx->form.get()), qPrintable(name));
      const QRect shown(control->mapTo(m_fx->form.get(), QPoint(0, 0)), control->size());
      QVERIFY2(window.contains(shown) && VisibleInItsParents(control),
               qPrintable(QString("%1 at %2,%3 %4x%5").arg(name).arg(shown.x()).arg(shown.y())
                              .arg(shown.width()).arg(shown.height())));
    }
  }

  void fieldsLineUp_data() { Sizes(); }
  void fieldsLineUp() {
    QFETCH(QSize, size);
    m_fx->form->resize(size);
    Settle();
    const int left = XOf("editExportMap");
    for (const QString& name : kFirstFields) QCOMPARE(XOf(name), left);
  }

  void targetChoiceMovesNothing_data() { Sizes(); }
  void targetChoiceMovesNothing() {
    QFETCH(QSize, size);
    m_fx->form->resize(size);
    Settle();
    const QList<QRect> before = Geometries();
    for (const char* radio :
         {"RadioTargetSame", "RadioTargetSubmap", "RadioTargetUpload", "RadioTargetMap"}) {
      QTest::mouseClick(m_fx->Find<QRadioButton>(radio), Qt::LeftButton);
      Settle();
      const QList<QRect> after = Geometries();
      for (int i = 0; i < kControls.size(); ++i)
        QVERIFY2(after[i] == before[i], qPrintable(QString("%1 after %2").arg(kControls[i], radio)));
    }
  }

  // In a large window the options stay beside the fields instead of at the far edge.
  void largeWindowKeepsTheFormTogether() {
    m_fx->form->resize(1800, 1000);
    Settle();
    const QWidget* field = m_fx->Find<QWidget>("editColor");
    const int fields_right = field->mapTo(m_fx->form.get(), QPoint(field->width(), 0)).x();
    const int options_left = XOf("RadioTargetMap");
    QVERIFY2(options_left - fields_right < 100,
             qPrintable(QString("%1 pixels apart").arg(options_left - fields_right)));
  }

 private:
  static void Sizes() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("smallest") << QSize(650, 480);
    QTest::newRow("at start") << QSize(952, 665);
    QTest::newRow("large") << QSize(1600, 1000);
  }

  static void Settle() {
    for (int i = 0; i < 3; ++i) {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
      QTest::qWait(20);
    }
  }

  // Not scrolled or clipped out of sight by a parent.
  bool VisibleInItsParents(const QWidget* control) const {
    return !control->visibleRegion().isEmpty() &&
           control->visibleRegion().boundingRect() == control->rect();
  }

  int XOf(const QString& name) const {
    return m_fx->Find<QWidget>(name)->mapTo(m_fx->form.get(), QPoint(0, 0)).x();
  }

  QList<QRect> Geometries() const {
    QList<QRect> shown;
    for (const QString& name : kControls) {
      const QWidget* control = m_fx->Find<QWidget>(name);
      shown << QRect(control->mapTo(m_fx->form.get(), QPoint(0, 0)), control->size());
    }
    return shown;
  }

  std::optional<test::MainWindowFixture> m_fx;
};

}  // namespace fotoloom

QTEST_MAIN(fotoloom::Step2LayoutTest)
#include "Step2LayoutTest.moc"
