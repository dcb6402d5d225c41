#pragma once

#include <QObject>
#include <functional>

#include "gui/common/BackgroundWork.h"

class QLabel;
class QTreeView;
class QWidget;

namespace fotoloom {

class TPhotoListModel;

// "Afbeelding roteren" of step 3 (Roteren90gradenClick): turns the picture that the step-3
// preview holds a quarter turn clockwise, shows it and writes it over the selected result's
// file as a JPEG of quality 90. The preview keeps the full-size picture of the file it
// shows, so nothing is decoded again; only when the file has changed since (or the preview
// never got to show it) is it loaded anew, so that another picture is never written over
// it. The turn and the encoding run off the window's thread with the busy state and the
// hourglass on; presses meanwhile wait their turn and each turns the picture further.
class TResultRotation : public QObject {
  Q_OBJECT

 public:
  struct TParts {
    QWidget* window;           // the parent of the error display
    QTreeView* list;           // ListView3
    TPhotoListModel* entries;  // its entries
    QLabel* preview;           // Image322
    std::function<void(bool)> set_busy;
  };

  explicit TResultRotation(const TParts& parts);

  void Roteren90gradenClick();
  bool Running() const { return m_running; }

 signals:
  // A turned picture is in the preview: from now on the preview draws smoothly.
  void Turned();
  // Every press so far has been carried out, or one failed and its error was shown.
  void Finished();

 private:
  void Start();
  void Finish(const QString& error);

  TParts m_parts;
  bool m_running = false;
  int m_presses_waiting = 0;
  // Last: the work still running is cancelled and waited for before the rest goes.
  TBackgroundWork m_work{this};
};

}  // namespace fotoloom
