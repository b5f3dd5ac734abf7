#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace kv::test {

// Counts calls of a callback made on any thread and lets a test wait, bounded, for more.
class ChangeCounter {
 public:
  std::function<void()> Callback() {
    return [this] {
      std::lock_guard lock(mutex_);
      ++count_;
      changed_.notify_all();
    };
  }
  int Count() {
    std::lock_guard lock(mutex_);
    return count_;
  }
  // True once more than `seen` calls have been made; false after ten seconds without.
  bool WaitBeyond(int seen) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return count_ > seen; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
};

}  // namespace kv::test
