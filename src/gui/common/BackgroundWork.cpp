#include "gui/common/BackgroundWork.h"

namespace fotoloom {

void TPostBox::Send(std::function<void()> call) {
  m_shared->posted.push_back(std::move(call));
  // By name: Qt makes the event itself and no call object crosses the threads through it.
  QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
}

void TPostBox::Deliver() {
  std::function<void()> call;
  {
    const std::lock_guard lock(m_shared->mutex);
    if (m_shared->posted.empty()) return;
    call = std::move(m_shared->posted.front());
    m_shared->posted.pop_front();
  }
  call();
}

bool TBackgroundWork::TJob::Post(std::function<void()> call) const {
  // Posting under the lock: the runner cannot end between the test and the post.
  const std::lock_guard lock(m_runner->mutex);
  if (Cancelled()) return false;
  m_receiver->Send(std::move(call));
  return true;
}

TBackgroundWork::TBackgroundWork(QObject* receiver, int threads)
    : m_receiver(new TPostBox(m_shared, receiver)) {
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
  // Calls never delivered hold the shared state (through their job or answer): they go
  // with the runner, outside the lock, or they would keep it alive for ever.
  std::deque<std::function<void()>> undelivered;
  {
    const std::lock_guard lock(m_shared->mutex);
    undelivered.swap(m_shared->posted);
  }
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
