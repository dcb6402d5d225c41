#pragma once

#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

namespace fotoloom {

// A field whose whole text is selected by every mouse button press, so that typing after a
// click replaces the text. The presses never place the cursor: that would drop the
// selection again, at once or (for a press inside it) when the button is released.
class TSelectAllOnPressEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    event->accept();
    selectAll();
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override { mousePressEvent(event); }
};

// A text box whose whole text is selected when it gets the focus.
class TSelectAllOnEnterMemo : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QPlainTextEdit::focusInEvent(event);
    selectAll();
  }
};

}  // namespace fotoloom
