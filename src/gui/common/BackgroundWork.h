#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace fotoloom {

// The one way the window runs work off its thread. Work runs on the runner's own threads;
// what it hands back (its result, posted calls, questions) reaches the window's thread
// only while the receiver lives and the work has not been cancelled. Work is cancelled by
// CancelAll, by a Replace that supersedes it and by the runner's end; long work polls
// Cancelled() and stops early. The window's thread never waits for a result: it is
// delivered by a call. Only the runner's destructor waits for work still running, after
// cancelling it and releasing every worker that waits for an answer.
// What a runner and its work share; lives as long as any work or posted call.
struct TBackgroundShared {
  std::mutex mutex;
  std::condition_variable answered;
  std::atomic<bool> detached{false};
  // Calls for the receiver's thread, in the order posted. They pass through this queue
  // under `mutex`, not inside Qt's event, so that the hand-over from the worker is one that
  // ThreadSanitizer sees (Qt's own locks are not instrumented).
  std::deque<std::function<void()>> posted;
};

// Lives in the receiver's thread, as its child: runs the posted calls there, one per
// Deliver, and goes with the receiver, whose pending calls go with it.
class TPostBox : public QObject {
  Q_OBJECT

 public:
  TPostBox(std::shared_ptr<TBackgroundShared> shared, QObject* receiver)
      : QObject(receiver), m_shared(std::move(shared)) {}
  // Queues `call` (the caller holds the shared mutex) and has it run on this box's thread.
  void Send(std::function<void()> call);
  Q_INVOKABLE void Deliver();

 private:
  std::shared_ptr<TBackgroundShared> m_shared;
};

class TBackgroundWork {
  using TShared = TBackgroundShared;

 public:
  // What one piece of work sees of its runner.
  class TJob {
   public:
    bool Cancelled() const { return *m_cancelled || m_runner->detached; }
    // The flag itself, for core code that polls a `const std::atomic<bool>&`.
    const std::atomic<bool>& CancelFlag() const { return *m_cancelled; }

    // Runs `call` on the window's thread, in the order posted. False, dropping it, once
    // the work is cancelled or the runner is going.
    bool Post(std::function<void()> call) const;

    // Runs `question` on the window's thread and waits for its answer. Empty when the work
    // is cancelled or the runner goes meanwhile. An exception thrown by `question` is
    // caught on the window's thread and thrown here, on the worker, instead.
    template <typename Answer>
    std::optional<Answer> Ask(std::function<Answer()> question) const;

   private:
    friend class TBackgroundWork;
    TJob(TPostBox* receiver, std::shared_ptr<TShared> runner,
         std::shared_ptr<std::atomic<bool>> cancelled)
        : m_receiver(receiver), m_runner(std::move(runner)), m_cancelled(std::move(cancelled)) {}

    TPostBox* m_receiver;
    std::shared_ptr<TShared> m_runner;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
  };

  // Results are delivered to `receiver`'s thread; `threads` pieces of work run at once.
  explicit TBackgroundWork(QObject* receiver, int threads = 1);
  // Cancels all work, lets no more results through and waits for work still running.
  ~TBackgroundWork();
  TBackgroundWork(const TBackgroundWork&) = delete;
  TBackgroundWork& operator=(const TBackgroundWork&) = delete;

  // Runs `work` and hands its result to `done` on the window's thread, unless the work was
  // cancelled meanwhile. Work that throws delivers nothing; work that must report its
  // failures catches them itself.
  template <typename Work, typename Done>
  void Start(Work work, Done done);
  // The same after cancelling all work started before: a newer request supersedes them.
  template <typename Work, typename Done>
  void Replace(Work work, Done done) {
    CancelAll();
    Start(std::move(work), std::move(done));
  }
  // Cancels all work started so far; work not yet begun never begins.
  void CancelAll();

 private:
  std::shared_ptr<TShared> m_shared = std::make_shared<TShared>();
  TPostBox* m_receiver;  // a child of the receiver
  // Cancelled together by CancelAll; each Start after it gets a fresh one.
  std::shared_ptr<std::atomic<bool>> m_cancelled = std::make_shared<std::atomic<bool>>(false);
  QThreadPool m_pool;
};

template <typename Work, typename Done>
void TBackgroundWork::Start(Work work, Done done) {
  const TJob job(m_receiver, m_shared, m_cancelled);
  m_pool.start([job, work = std::move(work), done = std::move(done)]() mutable {
    if (job.Cancelled()) return;
    using TResult = std::invoke_result_t<Work&, const TJob&>;
    try {
      if constexpr (std::is_void_v<TResult>) {
        work(job);
        job.Post([job, done = std::move(done)]() mutable {
          if (!job.Cancelled()) done();
        });
      } else {
        TResult result = work(job);
        job.Post([job, done = std::move(done), result = std::move(result)]() mutable {
          if (!job.Cancelled()) done(std::move(result));
        });
      }
    } catch (...) {
      // Nothing leaves a pool thread; the work's receiver hears nothing.
    }
  });
}

template <typename Answer>
std::optional<Answer> TBackgroundWork::TJob::Ask(std::function<Answer()> question) const {
  struct TReply {
    std::optional<Answer> answer;
    std::exception_ptr error;
    bool given = false;
  };
  auto reply = std::make_shared<TReply>();
  std::unique_lock lock(m_runner->mutex);
  if (Cancelled()) return std::nullopt;
  m_receiver->Send([runner = m_runner, reply, question = std::move(question)] {
    std::optional<Answer> answer;
    std::exception_ptr error;
    try {
      answer = question();
    } catch (...) {
      error = std::current_exception();
    }
    {
      const std::lock_guard given_lock(runner->mutex);
      reply->answer = std::move(answer);
      reply->error = error;
      reply->given = true;
    }
    runner->answered.notify_all();
  });
  m_runner->answered.wait(lock, [&] { return reply->given || Cancelled(); });
  if (reply->error) std::rethrow_exception(reply->error);
  return reply->answer;
}

}  // namespace fotoloom
