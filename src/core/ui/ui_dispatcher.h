#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kv {

// Hands work from worker threads to the one user-interface thread.
//
// Every handler, timer and decoder of the program runs on the user-interface thread; worker
// threads (a device's read thread, the tray's watcher) never touch the program's state. They
// queue a call here and either wait for it (RunSync) or not (Post). The user-interface thread runs
// queued calls in Drain, which the application calls when the waker tells it that work is
// queued and whenever it processes pending messages, and in WaitUntil/Join while it waits for a
// worker to end: a worker blocked in RunSync is therefore always served, so stopping it from the
// user-interface thread cannot deadlock.
//
// The thread that constructs the dispatcher is the user-interface thread.
class UiDispatcher {
 public:
  // Told once per queued call, on the queueing thread, that Drain has work. The application
  // posts one event to its own loop from here. It runs with the dispatcher's lock held, so it
  // must be quick and must not call back into the dispatcher.
  using Waker = std::function<void()>;
  // Receives what a posted call threw (there is nobody waiting to take it).
  using ExceptionHandler = std::function<void(std::exception_ptr)>;

  UiDispatcher();
  // Shuts down (see Shutdown).
  ~UiDispatcher();

  UiDispatcher(const UiDispatcher&) = delete;
  UiDispatcher& operator=(const UiDispatcher&) = delete;

  void SetWaker(Waker waker);
  void SetExceptionHandler(ExceptionHandler handler);

  // Whether the calling thread is the user-interface thread.
  bool OnUiThread() const;

  // Runs `fn` on the user-interface thread and blocks until it has run there; on the
  // user-interface thread itself it runs `fn` at once. What `fn` throws is rethrown here.
  // Returns false, without running `fn`, when the dispatcher shuts down before `fn` ran.
  bool RunSync(std::function<void()> fn);

  // Queues `fn` for the user-interface thread without waiting. Returns false (nothing queued)
  // once the dispatcher shuts down.
  bool Post(std::function<void()> fn);

  // User-interface thread: runs the calls queued at entry, in order, one at a time; calls queued
  // meanwhile wait for the next Drain (their waker call asks for it). Calls may drain again
  // themselves. What a posted call throws goes to the exception handler, or, when none is set,
  // leaves Drain (the remaining calls stay queued). Returns the number of calls run.
  std::size_t Drain();

  // User-interface thread: runs queued calls until `done` returns true or `timeout` has passed.
  // `done` is evaluated under the queue's lock; a worker that changes what `done` reads must call
  // NotifyWaiters afterwards. Returns the last result of `done`.
  bool WaitUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds::max());

  // User-interface thread: waits, running queued calls, until `ended` is set, then joins the
  // thread. The thread sets `ended` and calls NotifyWaiters as its last steps.
  void Join(std::thread& thread, const std::atomic<bool>& ended);

  // Wakes WaitUntil/Join so that they evaluate their condition again.
  void NotifyWaiters();

  // Refuses new calls and releases every waiting worker: queued RunSync calls return false
  // without running, queued posted calls are dropped. Idempotent.
  void Shutdown();
  bool ShuttingDown() const;

  // Number of calls queued and not yet run.
  std::size_t Pending() const;

 private:
  struct SyncState;
  struct Call {
    std::function<void()> Fn;
    std::shared_ptr<SyncState> Sync;  // empty for posted calls
  };

  bool Enqueue(Call call);
  bool PopFront(Call& call);
  void RunCall(Call& call);

  const std::thread::id uiThread_;
  mutable std::mutex mutex_;
  std::condition_variable uiWake_;
  std::deque<Call> queue_;
  bool shuttingDown_ = false;
  Waker waker_;
  ExceptionHandler exceptionHandler_;
};

}  // namespace kv
