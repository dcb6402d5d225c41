#include "core/convert/RunGate.h"

namespace fotoloom {

void TRunGate::Reset() {
  {
    const std::lock_guard lock(m_mutex);
    m_held = false;
    m_cancelled = false;
  }
  m_changed.notify_all();
}

void TRunGate::Hold() {
  const std::lock_guard lock(m_mutex);
  m_held = true;
}

void TRunGate::Resume() {
  {
    const std::lock_guard lock(m_mutex);
    m_held = false;
  }
  m_changed.notify_all();
}

void TRunGate::Cancel() {
  {
    const std::lock_guard lock(m_mutex);
    m_cancelled = true;
  }
  m_changed.notify_all();
}

bool TRunGate::WaitToStart() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return m_cancelled || !m_held; });
  return !m_cancelled;
}

}  // namespace fotoloom
