#include "core/hid/hid_device_read_thread.h"

#include <algorithm>
#include <chrono>

#include "core/hid/hid_device.h"
#include "core/ui/thread_name.h"
#include "core/ui/ui_dispatcher.h"

namespace kv {

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device, UiDispatcher& ui,
                                           uint16_t inputReportByteLength)
    : device_(device), ui_(ui), reportBuffer_(inputReportByteLength) {}

THidDeviceReadThread::~THidDeviceReadThread() {
  // Normally joined or abandoned already; never leave a joinable thread behind.
  if (thread_.joinable()) {
    Terminate();
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();
    } else {
      thread_.join();
    }
  }
}

void THidDeviceReadThread::Start() {
  thread_ = std::thread([self = shared_from_this()] { self->Execute(); });
}

void THidDeviceReadThread::Terminate() {
  {
    std::lock_guard<std::mutex> lock(pauseMutex_);
    terminated_ = true;
  }
  pauseWake_.notify_all();
}

void THidDeviceReadThread::Join() { ui_.Join(thread_, ended_); }

void THidDeviceReadThread::Abandon() {
  abandoned_ = true;
  Terminate();
  if (thread_.joinable()) thread_.detach();
}

void THidDeviceReadThread::Execute() {
  NameCurrentThread("kv-hid-read");
  bool pending = false;
  while (!terminated_) {
    std::fill(reportBuffer_.begin(), reportBuffer_.end(), uint8_t{0});
    const auto length = static_cast<uint32_t>(reportBuffer_.size());
    if (device_.ReadAsync(reportBuffer_.data(), length)) {
      if (!WaitForRead(pending)) break;
      bytesRead_ = std::min(device_.AsyncReadResult(), length);
      if (bytesRead_ > 0) {
        if (!HandOff(&THidDeviceReadThread::DeliverReport)) break;
      } else {
        // Nothing to deliver; a handle that keeps completing empty must not make us spin.
        PauseOneSlice();
      }
    } else {
      lastError_ = device_.System().LastError();
      if (!HandOff(&THidDeviceReadThread::DeliverError)) break;
      PauseOneSlice();
    }
  }
  if (abandoned_) return;  // the device may be gone; touch nothing of it
  Finish(pending);
}

// Waits for the started read in slices. Returns false when termination was asked for, with
// `pending` telling whether the read was still outstanding then.
bool THidDeviceReadThread::WaitForRead(bool& pending) {
  HidWaitResult result;
  do {
    const HidHandle handle = device_.ReadHandle();
    if (handle == kInvalidHidHandle) {
      // Closed under us (the device was found unplugged): closing ends the read.
      result = HidWaitResult::Completed;
      break;
    }
    const auto slice = static_cast<uint32_t>(device_.ReadSleepTime());
    result = device_.System().WaitRead(handle, slice);
  } while (!terminated_ && result != HidWaitResult::Completed);
  pending = result != HidWaitResult::Completed;
  return !terminated_;
}

// Runs `call` on the user-interface thread and waits for it. False when the thread must end:
// the dispatcher shuts down, a handler threw, or the thread was stopped meanwhile.
bool THidDeviceReadThread::HandOff(void (THidDeviceReadThread::*call)()) {
  try {
    if (!ui_.RunSync([this, call] { (this->*call)(); })) return false;
  } catch (...) {
    fatalException_ = std::current_exception();
    return false;
  }
  return !terminated_;
}

// User-interface thread. The handler is read here, not on the read thread, so a handler
// replaced meanwhile gets the next report.
void THidDeviceReadThread::DeliverReport() {
  inHandOff_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{inHandOff_};
  const THidDataEvent handler = device_.DataHandler();
  if (handler) {
    handler(device_, reportBuffer_[0], reportBuffer_.data() + 1,
            static_cast<uint16_t>(bytesRead_ - 1));
  }
}

void THidDeviceReadThread::DeliverError() {
  inHandOff_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{inHandOff_};
  const THidDataErrorEvent handler = device_.DataErrorHandler();
  if (handler) handler(device_, lastError_);
}

void THidDeviceReadThread::PauseOneSlice() {
  const auto slice = std::chrono::milliseconds(device_.ReadSleepTime());
  std::unique_lock<std::mutex> lock(pauseMutex_);
  pauseWake_.wait_for(lock, slice, [this] { return terminated_.load(); });
}

void THidDeviceReadThread::Finish(bool cancelPendingRead) {
  if (cancelPendingRead) device_.CancelPendingRead();
  ended_ = true;
  // Last step: the user-interface thread may join and free us as soon as it sees `ended_`.
  ui_.NotifyWaiters();
}

}  // namespace kv
