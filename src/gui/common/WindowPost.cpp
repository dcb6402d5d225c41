#include "gui/common/WindowPost.h"

namespace fotoloom {

TWindowPost::TWindowPost(QObject* receiver) : m_receiver(receiver) {}

bool TWindowPost::Post(std::function<void()> work) {
  // Posting under the lock: Detach cannot slip in between the test and the post.
  const std::lock_guard lock(m_shared->mutex);
  if (m_shared->detached) return false;
  QMetaObject::invokeMethod(m_receiver, std::move(work), Qt::QueuedConnection);
  return true;
}

void TWindowPost::Detach() {
  {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->detached = true;
  }
  m_shared->answered.notify_all();
}

}  // namespace fotoloom
