#include "gui/common/DoubleClicks.h"

#include <QEvent>
#include <QWidget>

namespace fotoloom {

TDoubleClicks::TDoubleClicks(QWidget* target) : QObject(target) {
  target->installEventFilter(this);
}

bool TDoubleClicks::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parent() && event->type() == QEvent::MouseButtonDblClick) {
    emit DoubleClicked();
    return true;
  }
  return false;
}

}  // namespace fotoloom
