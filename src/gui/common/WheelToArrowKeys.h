#pragma once

#include <QObject>

namespace fotoloom {

// Installed on the application, it turns every turn of the mouse wheel into one press of
// the arrow key Up (wheel away from the user) or Down (towards the user), delivered to the
// control that has the keyboard focus, whatever the distance turned.
class WheelToArrowKeys : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace fotoloom
