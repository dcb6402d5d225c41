#pragma once

#include <optional>

#include "core/convert/RunGate.h"
#include "gui/common/BackgroundWork.h"

namespace fotoloom {

// Carries the calls that a run makes on its view off the window's thread over to the
// window's view, in the run's order: Post for what only shows, Wait for a message that
// stays until the user closes it (so that one stands on the screen at a time), Ask for a
// question. The arguments travel as copies. Once the window is going the calls are dropped
// and the run's gate is cancelled, so the run ends.
template <typename View>
class TViewBridge {
 public:
  TViewBridge(const TBackgroundWork::TJob& job, View& window, TRunGate& gate)
      : m_job(job), m_window(window), m_gate(gate) {}

  template <typename... Params, typename... Args>
  void Post(void (View::*call)(Params...), Args... args) {
    if (!m_job.Post([&window = m_window, call, args...] { (window.*call)(args...); }))
      m_gate.Cancel();
  }

  template <typename... Params, typename... Args>
  void Wait(void (View::*call)(Params...), Args... args) {
    const auto shown = m_job.template Ask<bool>([&window = m_window, call, args...] {
      (window.*call)(args...);
      return true;
    });
    if (!shown) m_gate.Cancel();
  }

  // Empty when the window went before it answered.
  template <typename Answer, typename... Params, typename... Args>
  std::optional<Answer> Ask(Answer (View::*call)(Params...), Args... args) {
    return m_job.template Ask<Answer>(
        [&window = m_window, call, args...] { return (window.*call)(args...); });
  }

 private:
  const TBackgroundWork::TJob& m_job;
  View& m_window;  // the calls hold the window's view, not the bridge, which ends with the run
  TRunGate& m_gate;
};

}  // namespace fotoloom
