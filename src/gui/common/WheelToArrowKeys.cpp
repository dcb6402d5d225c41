#include "gui/common/WheelToArrowKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWidget>

namespace fotoloom {

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

  QWidget* target = QApplication::focusWidget();
  if (!target) target = static_cast<QWidget*>(watched);
  QKeyEvent arrow(QEvent::KeyPress, delta.y() > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &arrow);
  // Accepted and filtered, so that the wheel does not travel on to the parent widgets.
  wheel->accept();
  return true;
}

}  // namespace fotoloom
