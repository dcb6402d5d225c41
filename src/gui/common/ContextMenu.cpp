#include "gui/common/ContextMenu.h"

#include <QAbstractScrollArea>
#include <QMenu>

namespace fotoloom {

void AttachContextMenu(QWidget* widget, QMenu* menu) {
  widget->setContextMenuPolicy(Qt::CustomContextMenu);
  // A scroll area reports the position in its viewport.
  auto* scroll_area = qobject_cast<QAbstractScrollArea*>(widget);
  QWidget* origin = scroll_area ? scroll_area->viewport() : widget;
  QObject::connect(widget, &QWidget::customContextMenuRequested, menu,
                   [menu, origin](const QPoint& at) { menu->popup(origin->mapToGlobal(at)); });
}

}  // namespace fotoloom
