#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "gui/common/WheelToArrowKeys.h"

namespace fotoloom {
namespace {

// Records the keys it is sent and the wheel turns that reach it.
class KeyRecorder : public QWidget {
 public:
  explicit KeyRecorder(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }
  QList<int> keys;
  int wheels = 0;

 protected:
  void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
  void wheelEvent(QWheelEvent* event) override {
    ++wheels;
    event->accept();
  }
};

void TurnWheel(QWidget* under_mouse, QPoint angle, Qt::ScrollPhase phase = Qt::NoScrollPhase) {
  const QPointF at(under_mouse->width() / 2.0, under_mouse->height() / 2.0);
  QWheelEvent wheel(at, under_mouse->mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                    phase, false);
  QApplication::sendEvent(under_mouse, &wheel);
}

}  // namespace

class WheelToArrowKeysTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qApp->installEventFilter(&m_filter); }

  void eachTurnIsOneArrowKey_data() {
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<Qt::ScrollPhase>("phase");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("wheels");
    QTest::newRow("away from the user")
        << QPoint(0, 120) << Qt::NoScrollPhase << QList<int>{Qt::Key_Up} << 0;
    QTest::newRow("towards the user")
        << QPoint(0, -120) << Qt::NoScrollPhase << QList<int>{Qt::Key_Down} << 0;
    QTest::newRow("a long turn is still one key")
        << QPoint(0, 960) << Qt::NoScrollPhase << QList<int>{Qt::Key_Up} << 0;
    QTest::newRow("no distance counts as towards")
        << QPoint(0, 0) << Qt::NoScrollPhase << QList<int>{Qt::Key_Down} << 0;
    QTest::newRow("sideways wheel is left alone")
        << QPoint(120, 0) << Qt::NoScrollPhase << QList<int>{} << 1;
    QTest::newRow("end of a touchpad gesture")
        << QPoint(0, 0) << Qt::ScrollEnd << QList<int>{} << 1;
  }
  void eachTurnIsOneArrowKey() {
    QFETCH(QPoint, angle);
    QFETCH(Qt::ScrollPhase, phase);
    QFETCH(QList<int>, keys);
    QFETCH(int, wheels);
    QWidget window;
    auto* recorder = new KeyRecorder(&window);
    new QHBoxLayout(&window);
    window.layout()->addWidget(recorder);
    ShowActive(window, recorder);
    TurnWheel(recorder, angle, phase);
    QCOMPARE(recorder->keys, keys);
    QCOMPARE(recorder->wheels, wheels);
  }

  // The key goes to the control under the mouse, never to a focused control elsewhere.
  void theControlUnderTheMouseGetsTheKey() {
    QWidget window;
    auto* focused = new KeyRecorder(&window);
    auto* under_mouse = new KeyRecorder(&window);
    auto* row = new QHBoxLayout(&window);
    row->addWidget(focused);
    row->addWidget(under_mouse);
    ShowActive(window, focused);
    TurnWheel(under_mouse, QPoint(0, -120));
    QCOMPARE(under_mouse->keys, QList<int>{Qt::Key_Down});
    QVERIFY(focused->keys.isEmpty());
    QCOMPARE(under_mouse->wheels, 0);
  }

  // With the focus in a quality field, turning the wheel over a label or an empty part of the
  // window leaves the field's value alone.
  void aFocusedFieldIgnoresTheWheelElsewhere() {
    QWidget window;
    auto* quality = new QSpinBox(&window);
    quality->setRange(1, 100);
    quality->setValue(90);
    auto* label = new QLabel(QStringLiteral("JPG Kwaliteit"), &window);
    auto* empty = new QWidget(&window);
    auto* column = new QVBoxLayout(&window);
    column->addWidget(label);
    column->addWidget(quality);
    column->addWidget(empty);
    ShowActive(window, quality);
    for (QWidget* elsewhere : {static_cast<QWidget*>(label), empty, &window})
      for (int turn = 0; turn < 3; ++turn) TurnWheel(elsewhere, QPoint(0, -120));
    QCOMPARE(quality->value(), 90);
    // Under the mouse it still steps, one per turn.
    TurnWheel(quality, QPoint(0, -120));
    QCOMPARE(quality->value(), 89);
  }

  // A list marked as a file browser scrolls by the wheel and keeps its current item; a list
  // under the mouse without the focus moves its current item by the wheel's key.
  void aFileBrowserScrollsAndAListUnderTheMouseMoves() {
    QWidget window;
    auto* browser = new QListWidget(&window);
    auto* list = new QListWidget(&window);
    for (int i = 0; i < 200; ++i) {
      browser->addItem(QStringLiteral("foto%1.jpg").arg(i));
      list->addItem(QStringLiteral("foto%1.jpg").arg(i));
    }
    browser->setCurrentRow(0);
    list->setCurrentRow(0);
    WheelToArrowKeys::LetWheelScroll(browser);
    auto* row = new QHBoxLayout(&window);
    row->addWidget(browser);
    row->addWidget(list);
    window.resize(400, 300);
    ShowActive(window, browser);
    TurnWheel(browser->viewport(), QPoint(0, -120));
    QVERIFY(browser->verticalScrollBar()->value() > 0);
    QCOMPARE(browser->currentRow(), 0);
    TurnWheel(list->viewport(), QPoint(0, -120));
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(browser->currentRow(), 0);
  }

  void wheelMovesTheListOneRowPerTurn() {
    QListWidget list;
    list.addItems({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"});
    list.setCurrentRow(0);
    ShowActive(list, &list);
    TurnWheel(list.viewport(), QPoint(0, -120));
    QCOMPARE(list.currentRow(), 1);
    TurnWheel(list.viewport(), QPoint(0, -480));
    QCOMPARE(list.currentRow(), 2);
    TurnWheel(list.viewport(), QPoint(0, 120));
    QCOMPARE(list.currentRow(), 1);
  }

 private:
  static void ShowActive(QWidget& window, QWidget* focus) {
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    focus->setFocus();
    QCOMPARE(QApplication::focusWidget(), focus);
  }

  WheelToArrowKeys m_filter;
};

}  // namespace fotoloom

QTEST_MAIN(fotoloom::WheelToArrowKeysTest)
#include "WheelToArrowKeysTest.moc"
