#pragma once

#include <functional>
#include <utility>

class QWidget;

namespace fotoloom {

// Shows the exception now being handled through the general error display. Only for use
// inside a catch block.
void ShowCurrentException(QWidget* parent) noexcept;

// Switches a busy state on for its lifetime and off again on the way out, also when an
// exception leaves the scope.
class BusyScope {
 public:
  explicit BusyScope(std::function<void(bool)> set_busy);
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  std::function<void(bool)> m_set_busy;
};

// Runs one user action. An exception ends the action and is shown in the general error
// display, so that none reaches the event loop.
template <typename Handler>
void Guard(QWidget* parent, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    ShowCurrentException(parent);
  }
}

// The same with a busy state around the action; it is switched off before an error shows.
template <typename Handler>
void Guard(QWidget* parent, std::function<void(bool)> set_busy, Handler&& handler) noexcept {
  Guard(parent, [&] {
    BusyScope busy(std::move(set_busy));
    std::forward<Handler>(handler)();
  });
}

}  // namespace fotoloom
