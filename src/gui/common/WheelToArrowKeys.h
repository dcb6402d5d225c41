#pragma once

#include <QObject>

class QWidget;

namespace fotoloom {

// Installed on the application, it turns every turn of the mouse wheel into one press of
// the arrow key Up (wheel away from the user) or Down (towards the user), whatever the
// distance turned. The key goes to the control under the mouse pointer, never to a focused
// control elsewhere; over a place that is no control the wheel does what it does anywhere.
// Inside a widget marked with `LetWheelScroll` (a file browser) the wheel scrolls.
class WheelToArrowKeys : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  static void LetWheelScroll(QWidget* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace fotoloom
