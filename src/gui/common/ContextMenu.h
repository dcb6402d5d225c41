#pragma once

class QMenu;
class QWidget;

namespace fotoloom {

// Shows `menu` when the user asks for the context menu of `widget`.
void AttachContextMenu(QWidget* widget, QMenu* menu);

}  // namespace fotoloom
