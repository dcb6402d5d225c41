#include "gui/common/BackgroundWork.h"

namespace fotoloom {

bool TBackgroundWork::TJob::Post(std::function<void()> call) const {
  // Posting under the lock: the runner cannot end between the test and the post.
  const std::lock_guard lock(m_runner->mutex);
  if (Cancelled()) return false;
  QMetaObject::invokeMethod(m_receiver, std::move(call), Qt::QueuedConnection);
  return true;
}

TBackgroundWork::TBackgroundWork(QObject* receiver, int threads) : m_receiver(receiver) {
  m_pool.setMaxThreadCount(threads);
}

TBackgroundWork::~TBackgroundWork() {
  {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->detached = true;
    *m_cancelled = true;
  }
  m_shared->answered.notify_all();
  m_pool.clear();
  m_pool.waitForDone();
}

void TBackgroundWork::CancelAll() {
  {
    const std::lock_guard lock(m_shared->mutex);
    *m_cancelled = true;
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
  }
  m_shared->answered.notify_all();
  m_pool.clear();
}

}  // namespace fotoloom
