#include "gui/common/ListGestures.h"

#include <QAbstractItemView>
#include <QAction>

namespace fotoloom {

void GiveShortcuts(std::initializer_list<QWidget*> widgets,
                   std::initializer_list<QAction*> actions) {
  for (QAction* action : actions) action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  for (QWidget* widget : widgets) {
    if (widget->focusPolicy() == Qt::NoFocus) widget->setFocusPolicy(Qt::ClickFocus);
    for (QAction* action : actions) widget->addAction(action);
  }
}

void TriggerOnEntryDoubleClick(QAbstractItemView* list, QAction* action) {
  // The view reports double clicks on entries only.
  QObject::connect(list, &QAbstractItemView::doubleClicked, action, &QAction::trigger);
}

}  // namespace fotoloom
