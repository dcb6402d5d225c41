#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace fotoloom {

// The gate every photo of a run passes before it starts. The window holds it while it asks
// whether to stop, so that no photo starts behind the open question (those under way go on);
// it cancels it when the user stops, and resumes it otherwise. Cancelling also stops the
// photos under way: the engine polls CancelFlag while it converts them. Thread-safe.
class TRunGate {
 public:
  // Opens the gate for a new run: neither held nor cancelled.
  void Reset();
  // No new photo starts until Resume or Cancel.
  void Hold();
  void Resume();
  // No new photo starts any more (until Reset).
  void Cancel();
  // Cancel for a signal handler: only an atomic store, so it wakes no photo waiting at a
  // held gate. For programs that never hold the gate.
  void CancelFromSignal() noexcept { m_cancelled.store(true); }

  bool Cancelled() const { return m_cancelled.load(); }
  const std::atomic<bool>& CancelFlag() const { return m_cancelled; }
  // Waits while the gate is held; true when the photo may start, false once cancelled.
  bool WaitToStart();

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_held = false;
  std::atomic<bool> m_cancelled{false};
  static_assert(std::atomic<bool>::is_always_lock_free, "CancelFromSignal needs a lock-free flag");
};

}  // namespace fotoloom
