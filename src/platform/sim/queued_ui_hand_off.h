#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "core/tray/tray_services.h"

namespace kv::sim {

// Hand-off to a "user-interface thread" that is whichever thread calls RunPending: workers'
// work waits in a queue until the test runs it.
class QueuedUiHandOff final : public TrayUiHandOff {
 public:
  void RunOnUiThread(const std::function<void()>& work) override {
    std::unique_lock lock(mutex_);
    const uint64_t ticket = ++queuedCount_;
    queue_.push_back(work);
    changed_.notify_all();
    changed_.wait(lock, [&] { return doneCount_ >= ticket; });
  }

  void Wake() override {
    std::lock_guard lock(mutex_);
    ++wakes_;
    changed_.notify_all();
  }

  void WaitWhileServing(const std::function<bool()>& done) override {
    for (;;) {
      uint64_t wakes = 0;
      {
        std::lock_guard lock(mutex_);
        wakes = wakes_;  // taken before testing `done`, so a wake in between is not missed
      }
      RunPending();
      if (done()) return;
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return !queue_.empty() || wakes_ != wakes; });
    }
  }

  // Runs the work queued so far (not what workers queue meanwhile); returns how many ran.
  int RunPending() {
    size_t count = 0;
    {
      std::lock_guard lock(mutex_);
      count = queue_.size();
    }
    for (size_t i = 0; i < count; ++i) {
      std::function<void()> work;
      {
        std::lock_guard lock(mutex_);
        work = std::move(queue_.front());
        queue_.pop_front();
      }
      work();
      std::lock_guard lock(mutex_);
      ++doneCount_;
      changed_.notify_all();
    }
    return static_cast<int>(count);
  }

  // Waits until a worker has queued work (bounded by `timeout`); returns whether it has.
  bool WaitForWork(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;
  uint64_t queuedCount_ = 0;
  uint64_t doneCount_ = 0;
  uint64_t wakes_ = 0;
};

}  // namespace kv::sim
