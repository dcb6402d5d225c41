#pragma once

#include <QMetaObject>
#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace fotoloom {

// Carries work from a worker thread to the window's thread, where it runs in the order it
// was posted, as long as the receiving object lives. Before that object goes, the window's
// thread calls Detach: from then on nothing more is posted and a worker waiting for an
// answer gets none, so that the window can wait for its worker without a deadlock.
class TWindowPost {
 public:
  explicit TWindowPost(QObject* receiver);

  // Any thread. False once detached: the work is dropped.
  bool Post(std::function<void()> work);

  // On the worker: runs `question` on the window's thread and waits for its answer, which
  // is empty when the window detached meanwhile.
  template <typename Answer>
  std::optional<Answer> Ask(std::function<Answer()> question);

  // On the window's thread, before the receiver is destroyed.
  void Detach();

 private:
  // Lives as long as any posted work, so that work running late touches nothing freed.
  struct TShared {
    std::mutex mutex;
    std::condition_variable answered;
    bool detached = false;
  };
  QObject* m_receiver;
  std::shared_ptr<TShared> m_shared = std::make_shared<TShared>();
};

template <typename Answer>
std::optional<Answer> TWindowPost::Ask(std::function<Answer()> question) {
  auto answer = std::make_shared<std::optional<Answer>>();
  std::unique_lock lock(m_shared->mutex);
  if (m_shared->detached) return std::nullopt;
  QMetaObject::invokeMethod(
      m_receiver,
      [shared = m_shared, answer, question = std::move(question)] {
        Answer given = question();
        {
          const std::lock_guard given_lock(shared->mutex);
          *answer = std::move(given);
        }
        shared->answered.notify_all();
      },
      Qt::QueuedConnection);
  m_shared->answered.wait(lock, [&] { return answer->has_value() || m_shared->detached; });
  return *answer;
}

}  // namespace fotoloom
