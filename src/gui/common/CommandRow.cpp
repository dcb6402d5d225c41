#include "gui/common/CommandRow.h"

#include <QHBoxLayout>
#include <QResizeEvent>
#include <QToolButton>

namespace fotoloom {

TCommandRow::TCommandRow(QWidget* parent) : QWidget(parent) {
  // Its width is what the page gives it; the captions come and go to suit.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addStretch();
}

void TCommandRow::AddButton(QToolButton* button) {
  button->setParent(this);
  // A button, not a flat label: raised frame at rest.
  button->setAutoRaise(false);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  if (button->toolTip().isEmpty()) button->setToolTip(button->text());
  auto* row = static_cast<QHBoxLayout*>(layout());
  row->insertWidget(static_cast<int>(m_buttons.size()), button);
  m_buttons << button;
}

int TCommandRow::WidthWithCaptions() {
  int width = 0;
  for (QToolButton* button : m_buttons) {
    const Qt::ToolButtonStyle shown = button->toolButtonStyle();
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    width += button->sizeHint().width() + layout()->spacing();
    button->setToolButtonStyle(shown);
  }
  return width;
}

void TCommandRow::ShowCaptions(bool shown) {
  for (QToolButton* button : m_buttons)
    button->setToolButtonStyle(shown ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
}

void TCommandRow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ShowCaptions(event->size().width() >= WidthWithCaptions());
}

}  // namespace fotoloom
