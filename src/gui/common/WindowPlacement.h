#pragma once

class QWidget;

namespace fotoloom {

// Moves a window to the middle of the screen it is on.
void CentreOnScreen(QWidget* window);

}  // namespace fotoloom
