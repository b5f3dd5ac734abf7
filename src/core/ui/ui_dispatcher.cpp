#include "core/ui/ui_dispatcher.h"

#include <utility>

namespace kv {

// Completion record of one RunSync call. It lives in the call and with the waiting worker, not
// in the dispatcher, so a worker released late never touches a dispatcher that is gone.
struct UiDispatcher::SyncState {
  std::mutex Mutex;
  std::condition_variable Done;
  bool Finished = false;
  bool Ran = false;
  std::exception_ptr Error;

  void Complete(bool ran, std::exception_ptr error) {
    {
      std::lock_guard<std::mutex> lock(Mutex);
      Finished = true;
      Ran = ran;
      Error = std::move(error);
    }
    Done.notify_one();
  }
};

UiDispatcher::UiDispatcher() : uiThread_(std::this_thread::get_id()) {}

UiDispatcher::~UiDispatcher() { Shutdown(); }

void UiDispatcher::SetWaker(Waker waker) {
  std::lock_guard<std::mutex> lock(mutex_);
  waker_ = std::move(waker);
}

void UiDispatcher::SetExceptionHandler(ExceptionHandler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  exceptionHandler_ = std::move(handler);
}

bool UiDispatcher::OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

bool UiDispatcher::RunSync(std::function<void()> fn) {
  if (OnUiThread()) {
    if (ShuttingDown()) return false;
    fn();
    return true;
  }
  auto sync = std::make_shared<SyncState>();
  if (!Enqueue(Call{std::move(fn), sync})) return false;
  std::unique_lock<std::mutex> lock(sync->Mutex);
  sync->Done.wait(lock, [&] { return sync->Finished; });
  // Taken out, so the exception is freed on this thread, wherever the record ends.
  std::exception_ptr error = std::move(sync->Error);
  sync->Error = nullptr;
  const bool ran = sync->Ran;
  lock.unlock();
  if (error) std::rethrow_exception(error);
  return ran;
}

bool UiDispatcher::Post(std::function<void()> fn) { return Enqueue(Call{std::move(fn), nullptr}); }

// Everything happens under the lock: a worker let go from inside its own hand-off is not
// joined, and once its call is queued the UI thread may run it and destroy the dispatcher at
// any moment after the lock is released.
bool UiDispatcher::Enqueue(Call call) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (shuttingDown_) return false;
  queue_.push_back(std::move(call));
  uiWake_.notify_all();
  if (waker_) waker_();
  return true;
}

bool UiDispatcher::PopFront(Call& call) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queue_.empty()) return false;
  call = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

void UiDispatcher::RunCall(Call& call) {
  std::exception_ptr error;
  try {
    call.Fn();
  } catch (...) {
    error = std::current_exception();
  }
  if (call.Sync) {
    call.Sync->Complete(true, std::move(error));
    return;
  }
  if (!error) return;
  ExceptionHandler handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    handler = exceptionHandler_;
  }
  if (!handler) std::rethrow_exception(error);
  handler(error);
}

std::size_t UiDispatcher::Drain() {
  std::size_t queuedAtEntry = Pending();
  std::size_t ran = 0;
  while (ran < queuedAtEntry) {
    Call call;  // per call, so what it captured is released as soon as it has run
    if (!PopFront(call)) break;
    ++ran;
    RunCall(call);
  }
  return ran;
}

bool UiDispatcher::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const bool forever = timeout == std::chrono::milliseconds::max();
  const auto deadline = forever ? std::chrono::steady_clock::time_point::max()
                                : std::chrono::steady_clock::now() + timeout;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      auto ready = [&] { return !queue_.empty() || done(); };
      if (forever) {
        uiWake_.wait(lock, ready);
      } else if (!uiWake_.wait_until(lock, deadline, ready)) {
        return false;
      }
      if (done()) return true;
    }
    Drain();
  }
}

void UiDispatcher::Join(std::thread& thread, const std::atomic<bool>& ended) {
  WaitUntil([&] { return ended.load(); });
  if (thread.joinable()) thread.join();
}

void UiDispatcher::NotifyWaiters() {
  // Taking the lock orders the caller's change before a waiter's next look at its condition.
  { std::lock_guard<std::mutex> lock(mutex_); }
  uiWake_.notify_all();
}

void UiDispatcher::Shutdown() {
  std::deque<Call> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    shuttingDown_ = true;
    dropped.swap(queue_);
  }
  uiWake_.notify_all();
  for (Call& call : dropped) {
    if (call.Sync) call.Sync->Complete(false, nullptr);
  }
}

bool UiDispatcher::ShuttingDown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shuttingDown_;
}

std::size_t UiDispatcher::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

}  // namespace kv
