#include "gui/common/WheelToArrowKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace fotoloom {
namespace {

constexpr char kScrollsProperty[] = "fotoloomWheelScrolls";

bool InsideScrollingWidget(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    if (widget->property(kScrollsProperty).toBool()) return true;
    if (widget->isWindow()) break;
  }
  return false;
}

// The control that the pointer is over: the widget itself or the nearest parent that takes
// the focus by a click (a list's viewport belongs to the list); null over a label or an empty
// part of a page.
QWidget* ControlAt(QWidget* widget) {
  for (; widget; widget = widget->parentWidget()) {
    if (widget->focusPolicy() & Qt::ClickFocus) return widget->isEnabled() ? widget : nullptr;
    if (widget->isWindow()) break;
  }
  return nullptr;
}

}  // namespace

void WheelToArrowKeys::LetWheelScroll(QWidget* widget) {
  widget->setProperty(kScrollsProperty, true);
}

bool WheelToArrowKeys::eventFilter(QObject* watched, QEvent* event) {
  // The window system's own window sees the wheel first; the widget under the mouse next.
  // Acting on the widget only gives one key press per turn.
  if (event->type() != QEvent::Wheel || !watched->isWidgetType()) return false;
  auto* wheel = static_cast<QWheelEvent*>(event);
  const QPoint delta = wheel->angleDelta();
  // A sideways wheel is no wheel turn, nor are the begin and end marks of a touchpad
  // gesture, which carry no distance.
  if (delta.y() == 0 && delta.x() != 0) return false;
  if (wheel->phase() == Qt::ScrollBegin || wheel->phase() == Qt::ScrollEnd) return false;

  auto* under_pointer = static_cast<QWidget*>(watched);
  if (InsideScrollingWidget(under_pointer)) return false;
  QWidget* target = ControlAt(under_pointer);
  if (!target) return false;
  QKeyEvent arrow(QEvent::KeyPress, delta.y() > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &arrow);
  // Accepted and filtered, so that the wheel does not travel on to the parent widgets.
  wheel->accept();
  return true;
}

}  // namespace fotoloom
