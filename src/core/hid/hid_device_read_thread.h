#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kv {

class THidDevice;
class UiDispatcher;

// The read thread of one checked-out device.
//
// It keeps one read outstanding, waits for it in slices of the device's ReadSleepTime (checking
// for termination after each slice) and hands every completed report to the user-interface
// thread, blocking until the device's data handler has run there. The next read starts only
// after that, so the driver buffers what arrives meanwhile. A read that cannot be started is
// handed over as a data error, and so is every retry; between attempts the thread waits one
// slice, so a device that keeps failing (unplugged while checked out) costs a hand-off per slice
// rather than a busy loop.
//
// Shared ownership: the running thread holds the object too, so that a thread abandoned from
// inside its own hand-off can finish on its own.
class THidDeviceReadThread : public std::enable_shared_from_this<THidDeviceReadThread> {
 public:
  // Sizes ReportBuffer to `inputReportByteLength`; nothing runs until Start.
  THidDeviceReadThread(THidDevice& device, UiDispatcher& ui, uint16_t inputReportByteLength);
  ~THidDeviceReadThread();

  THidDeviceReadThread(const THidDeviceReadThread&) = delete;
  THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;

  void Start();
  // Asks the thread to end after its current wait slice or hand-off. Any thread.
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Whether the thread body has ended (after a stop request or a failed hand-off).
  bool Ended() const { return ended_; }

  // User-interface thread: waits for the thread to end, running handed-off calls meanwhile, and
  // joins it. Terminate first.
  void Join();
  // User-interface thread, inside this thread's own hand-off: lets the thread end by itself
  // right after the hand-off returns, without touching the device or the dispatcher again.
  void Abandon();
  // User-interface thread: whether this thread's hand-off is running now.
  bool InHandOff() const { return inHandOff_; }

  const std::vector<uint8_t>& ReportBuffer() const { return reportBuffer_; }
  uint32_t BytesRead() const { return bytesRead_; }
  uint32_t LastError() const { return lastError_; }
  // What a handler threw to end the thread; null otherwise. Read after Ended.
  std::exception_ptr FatalException() const { return fatalException_; }

 private:
  void Execute();
  bool WaitForRead(bool& pending);
  bool HandOff(void (THidDeviceReadThread::*call)());
  void DeliverReport();
  void DeliverError();
  void PauseOneSlice();
  void Finish(bool cancelPendingRead);

  THidDevice& device_;
  UiDispatcher& ui_;
  std::vector<uint8_t> reportBuffer_;
  uint32_t bytesRead_ = 0;
  uint32_t lastError_ = 0;
  std::exception_ptr fatalException_;

  std::atomic<bool> terminated_{false};
  std::atomic<bool> ended_{false};
  std::atomic<bool> abandoned_{false};
  bool inHandOff_ = false;  // user-interface thread only

  std::mutex pauseMutex_;
  std::condition_variable pauseWake_;
  std::thread thread_;
};

}  // namespace kv
