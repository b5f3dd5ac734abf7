#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/hid/hid_events.h"
#include "core/hid/hid_pnp_info.h"
#include "core/port/hid_system.h"

namespace kv {

class THidDeviceController;
class THidDeviceReadThread;
class UiDispatcher;

// One HID device interface found by the controller.
//
// It opens the device on demand through up to three handles (a synchronous one for identity,
// capabilities and writes; an overlapped one for the read thread; an overlapped write handle),
// knows the device's attributes and capabilities, writes output reports synchronously and, while
// checked out with a data handler, runs a read thread that hands each input report to the
// user-interface thread.
//
// Everything here runs on the user-interface thread unless marked "read thread". The read
// thread touches only the read handle and its buffer count, the wait slice, the device path and
// the flags of IsAccessible; those are atomic or guarded by readHandleMutex_.
class THidDevice {
 public:
  static constexpr int kDefaultReadSleepTime = 100;
  static constexpr int kMinReadSleepTime = 10;
  static constexpr int kMaxReadSleepTime = 10000;

  // Opens, identifies and closes the device. A controller, when given, supplies the initial
  // handlers and is told at check-in. Throws EControllerError "device cannot be opened" or
  // "device cannot be identified"; no handle stays open then.
  THidDevice(std::shared_ptr<const THidPnPInfo> pnpInfo, HidSystem& hid, UiDispatcher& ui,
             THidDeviceController* controller);
  // Stops the read thread (running handed-off calls while it waits), closes every handle and
  // frees the preparsed data. Replacing the object in the controller's list is the controller's
  // CheckInDevice.
  ~THidDevice();

  THidDevice(const THidDevice&) = delete;
  THidDevice& operator=(const THidDevice&) = delete;

  bool PluggedIn() const { return pluggedIn_; }
  bool CheckedOut() const { return checkedOut_; }
  bool InNotification() const { return inNotification_; }
  bool ReadWriteAccess() const { return readWriteAccess_; }
  HidHandle DeviceHandle() const { return deviceHandle_; }
  HidHandle ReadHandle() const { return readHandle_; }  // also read thread
  HidHandle WriteHandle() const { return writeHandle_; }
  const HidAttributes& Attributes() const { return attributes_; }
  const THidPnPInfo& PnPInfo() const { return *pnpInfo_; }
  const std::shared_ptr<const THidPnPInfo>& SharedPnPInfo() const { return pnpInfo_; }
  THidDeviceController* Controller() const { return controller_; }
  HidSystem& System() const { return hid_; }
  UiDispatcher& Dispatcher() const { return ui_; }

  // Wanted driver input-buffer counts (0 = leave the driver's); after opening, the actual ones.
  uint32_t NumInputBuffers() const { return numInputBuffers_; }
  void SetNumInputBuffers(uint32_t count) { numInputBuffers_ = count; }
  uint32_t NumReadBuffers() const;
  void SetNumReadBuffers(uint32_t count);

  // Wait slice of the read thread in milliseconds (also read thread).
  int ReadSleepTime() const { return readSleepTime_; }
  // Stores `value` only when it lies in kMinReadSleepTime..kMaxReadSleepTime.
  void SetReadSleepTime(int value);

  const THidDataEvent& DataHandler() const { return dataHandler_; }
  // Replaces the data handler: an empty one stops the read thread first; afterwards the read
  // thread starts if the device may have one. Replacing one handler by another keeps a running
  // thread, whose next report goes to the new handler.
  void SetDataHandler(THidDataEvent handler);
  const THidDataErrorEvent& DataErrorHandler() const { return dataErrorHandler_; }
  void SetDataErrorHandler(THidDataErrorEvent handler) { dataErrorHandler_ = std::move(handler); }
  const THidPlugEvent& UnplugHandler() const { return unplugHandler_; }
  void SetUnplugHandler(THidPlugEvent handler) { unplugHandler_ = std::move(handler); }

  // PluggedIn and (CheckedOut or InNotification). No handle is opened unless this holds.
  // Also read thread.
  bool IsAccessible() const;

  // Opens the synchronous handle when accessible and not open. Returns whether it is open.
  bool OpenDeviceHandle();
  void CloseDeviceHandle();
  // Open the overlapped handles (read: read thread). False when not accessible or the open
  // failed; otherwise whether the handle is open.
  bool OpenReadHandle();
  void CloseReadHandle();
  bool OpenWriteHandle();
  void CloseWriteHandle();

  // The device's capabilities; all zero when its preparsed data cannot be had (which needs an
  // accessible device the first time).
  HidCaps Capabilities();

  // Writes one output report with one blocking call through the synchronous handle, opening it
  // if needed. Returns false on failure with the system's last error describing it; a device
  // that is not accessible records DeviceNotConnectedCode as the last error.
  bool WriteSync(const uint8_t* buffer, uint32_t count, uint32_t& written);

  // Read thread: starts one read into `buffer`, opening the read handle if needed. False when
  // it could not be started; the system's last error says why (DeviceNotConnectedCode when the
  // device is not accessible).
  bool ReadAsync(uint8_t* buffer, uint32_t count);
  // Read thread: bytes delivered by the completed read; 0 when the read handle is closed or the
  // read failed.
  uint32_t AsyncReadResult();
  // Read thread, at its end: cancels the read pending on the read handle. False when nothing
  // could be cancelled.
  bool CancelPendingRead();

  // Starts the read thread when the device has a data handler, is plugged in, checked out and
  // opened with read and write access, and has no read thread yet.
  void StartReadThread();
  // Asks the read thread to end, waits for it while running handed-off calls, and forgets it.
  // Called from inside the thread's own hand-off, it cannot wait: the thread then ends right
  // after that hand-off, touching nothing of the device.
  void StopReadThread();
  bool HasReadThread() const { return readThread_ != nullptr; }
  const THidDeviceReadThread* ReadThread() const { return readThread_.get(); }

  // Closes all three handles, clears PluggedIn and runs the unplug handler once (it is cleared
  // before it runs). Leaves the read thread running.
  void MarkUnplugged();

 private:
  friend class THidDeviceController;

  bool OpenSynchronous();
  const HidPreparsedData* PreparsedData();

  HidSystem& hid_;
  UiDispatcher& ui_;
  THidDeviceController* controller_;
  std::shared_ptr<const THidPnPInfo> pnpInfo_;

  std::atomic<bool> pluggedIn_{true};
  std::atomic<bool> checkedOut_{false};
  std::atomic<bool> inNotification_{false};
  bool readWriteAccess_ = false;

  HidHandle deviceHandle_ = kInvalidHidHandle;
  HidHandle writeHandle_ = kInvalidHidHandle;
  mutable std::mutex readHandleMutex_;  // open/close of the read handle, from either thread
  std::atomic<HidHandle> readHandle_{kInvalidHidHandle};
  uint32_t numReadBuffers_ = 0;  // guarded by readHandleMutex_
  uint32_t numInputBuffers_ = 0;

  HidAttributes attributes_;
  std::unique_ptr<HidPreparsedData> preparsedData_;
  std::atomic<int> readSleepTime_{kDefaultReadSleepTime};

  THidDataEvent dataHandler_;
  THidDataErrorEvent dataErrorHandler_;
  THidPlugEvent unplugHandler_;
  std::shared_ptr<THidDeviceReadThread> readThread_;
};

}  // namespace kv
