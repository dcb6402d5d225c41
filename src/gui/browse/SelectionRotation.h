#pragma once

#include <QObject>
#include <functional>

#include "gui/common/BackgroundWork.h"

class QLabel;
class QTreeView;
class QWidget;

namespace fotoloom {

class TPhotoListModel;

// "Afbeelding roteren" of step 1: turns every selected photo of the selection list a
// quarter turn clockwise, in list order, and writes it back over the user's original (a
// JPEG without loss, see RotateOriginalPhoto). Each photo shows in the preview as it is
// loaded and again turned. The photos are read and written off the window's thread, one
// after the other, with the busy state and the hourglass on until the last is done; the
// first photo that fails stops the command and its error shows in the general error display.
class TSelectionRotation : public QObject {
  Q_OBJECT

 public:
  struct TParts {
    QWidget* window;           // the parent of the error display
    QTreeView* list;           // ListView1
    TPhotoListModel* entries;  // its entries
    QLabel* preview;           // Image321
    std::function<void(bool)> set_busy;
    std::function<void(bool)> hold_preview;  // keeps the preview's own loads out meanwhile
  };

  explicit TSelectionRotation(const TParts& parts);

  // Afbeeldingroteren1Click: nothing happens while nothing is selected or a turn runs.
  void Afbeeldingroteren1Click();
  bool Running() const { return m_running; }

 signals:
  // The command has ended, after the last photo or at the one that failed.
  void Finished();

 private:
  void Finish(const QString& error);

  TParts m_parts;
  bool m_running = false;
  // Last: the work still running is cancelled and waited for before the rest goes.
  TBackgroundWork m_work{this};
};

}  // namespace fotoloom
