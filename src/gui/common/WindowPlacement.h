#pragma once

class QWidget;

namespace fotoloom {

// Moves a window to the middle of the screen it is on.
void CentreOnScreen(QWidget* window);

// A dialog's frame: a title and a close button, no minimise or maximise buttons. Without
// these exact flags some window managers give a dialog the buttons of a main window.
void GiveDialogFrame(QWidget* dialog);

}  // namespace fotoloom
