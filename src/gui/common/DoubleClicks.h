#pragma once

#include <QObject>

class QWidget;

namespace fotoloom {

// Reports double clicks on a control that has no signal of its own for them, such as a
// picture. It lives as long as the control.
class TDoubleClicks : public QObject {
  Q_OBJECT

 public:
  explicit TDoubleClicks(QWidget* target);

 signals:
  void DoubleClicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace fotoloom
