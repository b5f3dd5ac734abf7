#include "core/ui/ui_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kv {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kGenerous{5000};  // only reached when something is broken

// Counts waker calls so a test can wait for a worker's call to be queued without draining it.
class WakeCounter {
 public:
  explicit WakeCounter(UiDispatcher& ui) {
    ui.SetWaker([this] {
      std::lock_guard<std::mutex> lock(mutex_);
      ++count_;
      changed_.notify_all();
    });
  }
  bool WaitFor(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kGenerous, [&] { return count_ >= count; });
  }
  int Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
};

TEST(UiDispatcher, RunSyncRunsOnUiThreadAndWaitsForIt) {
  UiDispatcher ui;
  WakeCounter wakes(ui);
  std::thread::id ranOn;
  std::atomic<bool> returned{false};
  bool result = false;
  std::thread worker([&] {
    result = ui.RunSync([&] { ranOn = std::this_thread::get_id(); });
    returned = true;
  });
  ASSERT_TRUE(wakes.WaitFor(1));
  EXPECT_FALSE(returned);  // blocked until the UI thread runs the call
  EXPECT_EQ(ui.Pending(), 1u);
  EXPECT_EQ(ui.Drain(), 1u);
  worker.join();
  EXPECT_TRUE(result);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(wakes.Count(), 1);
}

TEST(UiDispatcher, ExceptionOfHandedOffCallReachesTheWorker) {
  UiDispatcher ui;
  std::string caught;
  std::atomic<bool> ended{false};
  std::thread worker([&] {
    try {
      ui.RunSync([] { throw std::runtime_error("handler failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    ended = true;
    ui.NotifyWaiters();
  });
  ui.Join(worker, ended);
  EXPECT_EQ(caught, "handler failed");
}

TEST(UiDispatcher, ShutdownReleasesWaitingWorkerWithoutRunningItsCall) {
  UiDispatcher ui;
  WakeCounter wakes(ui);
  bool ran = false;
  EXPECT_TRUE(ui.RunSync([&] { ran = true; }));  // on the UI thread itself: at once
  EXPECT_TRUE(ran);
  ran = false;
  bool result = true;
  std::thread worker([&] { result = ui.RunSync([&] { ran = true; }); });
  ASSERT_TRUE(wakes.WaitFor(1));
  ui.Shutdown();
  worker.join();
  EXPECT_FALSE(result);
  EXPECT_FALSE(ran);
  EXPECT_EQ(ui.Drain(), 0u);

  std::thread late([&] { result = ui.RunSync([&] { ran = true; }); });
  late.join();
  EXPECT_FALSE(result);
  EXPECT_FALSE(ui.Post([&] { ran = true; }));
  EXPECT_FALSE(ui.RunSync([&] { ran = true; }));
  EXPECT_FALSE(ran);
}

TEST(UiDispatcher, DrainRunsPostedCallsInOrderAndOnlyThoseQueuedAtEntry) {
  UiDispatcher ui;
  WakeCounter wakes(ui);
  std::vector<int> order;
  ui.Post([&] { order.push_back(1); });
  ui.Post([&] {
    order.push_back(2);
    ui.Post([&] { order.push_back(3); });  // queued meanwhile: waits for the next drain
  });
  EXPECT_EQ(wakes.Count(), 2);
  EXPECT_EQ(ui.Drain(), 2u);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(wakes.Count(), 3);
  EXPECT_EQ(ui.Drain(), 1u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(UiDispatcher, ExceptionOfPostedCallGoesToHandlerOrLeavesDrain) {
  UiDispatcher ui;
  int after = 0;
  ui.Post([] { throw std::runtime_error("posted failed"); });
  ui.Post([&] { ++after; });
  EXPECT_THROW(ui.Drain(), std::runtime_error);
  EXPECT_EQ(after, 0);  // the rest stays queued
  EXPECT_EQ(ui.Drain(), 1u);
  EXPECT_EQ(after, 1);

  std::string seen;
  ui.SetExceptionHandler([&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::runtime_error& e) {
      seen = e.what();
    }
  });
  ui.Post([] { throw std::runtime_error("reported"); });
  ui.Post([&] { ++after; });
  EXPECT_EQ(ui.Drain(), 2u);
  EXPECT_EQ(seen, "reported");
  EXPECT_EQ(after, 2);
}

TEST(UiDispatcher, JoinServesAWorkerBlockedInHandOff) {
  UiDispatcher ui;
  std::atomic<bool> ended{false};
  int handedOff = 0;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) ui.RunSync([&] { ++handedOff; });
    ended = true;
    ui.NotifyWaiters();
  });
  ui.Join(worker, ended);  // would deadlock if Join did not run the calls
  EXPECT_FALSE(worker.joinable());
  EXPECT_EQ(handedOff, 3);
}

}  // namespace
}  // namespace kv
