#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

namespace fotoloom::test {

// Acts on the next modal dialog of type Dialog from inside the dialog's own event loop, for
// dialogs that the code under test opens and waits for. Gives up after a bounded number of
// looks, so a dialog that never shows leaves no timer behind; the test then finds that
// `act` did not run.
template <typename Dialog>
void WhenModalShows(std::function<void(Dialog*)> act) {
  auto* timer = new QTimer;
  auto looks = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, looks, act = std::move(act)] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog || ++*looks > 500) {
      timer->stop();
      timer->deleteLater();
    }
    if (dialog) act(dialog);
  });
  timer->start(10);
}

}  // namespace fotoloom::test
