#pragma once

#include <initializer_list>

class QAbstractItemView;
class QAction;
class QWidget;

namespace fotoloom {

// The actions' shortcuts work whenever the focus is in one of the widgets (a list or its
// preview), and only there: the two lists' menus share F5 and F9 without clashing. A widget
// that would never take the focus takes it when clicked.
void GiveShortcuts(std::initializer_list<QWidget*> widgets,
                   std::initializer_list<QAction*> actions);

// A double click on an entry of the list triggers the action; one on
// the free space below the entries does nothing.
void TriggerOnEntryDoubleClick(QAbstractItemView* list, QAction* action);

}  // namespace fotoloom
