#pragma once

#include <QList>
#include <QWidget>

class QToolButton;

namespace fotoloom {

// A row of command buttons with their icons and captions. Where the row is too narrow for
// the captions (the smallest window), the buttons show their icons only, with the caption
// as their hint: every command stays in sight instead of moving into an overflow menu.
class TCommandRow : public QWidget {
  Q_OBJECT

 public:
  explicit TCommandRow(QWidget* parent);

  void AddButton(QToolButton* button);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowCaptions(bool shown);
  int WidthWithCaptions();

  QList<QToolButton*> m_buttons;
};

}  // namespace fotoloom
