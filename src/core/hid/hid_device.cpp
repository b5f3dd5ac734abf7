#include "core/hid/hid_device.h"

#include "core/hid/controller_error.h"
#include "core/hid/hid_device_controller.h"
#include "core/hid/hid_device_read_thread.h"
#include "core/ui/ui_dispatcher.h"

namespace kv {

THidDevice::THidDevice(std::shared_ptr<const THidPnPInfo> pnpInfo, HidSystem& hid, UiDispatcher& ui,
                       THidDeviceController* controller)
    : hid_(hid), ui_(ui), controller_(controller), pnpInfo_(std::move(pnpInfo)) {
  if (controller_) {
    // Not through SetDataHandler: a new device is not checked out, so no thread could start.
    dataHandler_ = controller_->OnDeviceData();
    dataErrorHandler_ = controller_->OnDeviceDataError();
    unplugHandler_ = controller_->OnDeviceUnplug();
  }
  if (!OpenSynchronous()) throw EControllerError("device cannot be opened");
  attributes_ = HidAttributes{};
  attributes_.Size = 12;
  if (!hid_.GetAttributes(deviceHandle_, attributes_)) {
    CloseDeviceHandle();
    throw EControllerError("device cannot be identified");
  }
  // A device object holds no open handle while idle.
  CloseDeviceHandle();
}

THidDevice::~THidDevice() {
  SetDataHandler(nullptr);
  unplugHandler_ = nullptr;
  CloseDeviceHandle();
  CloseReadHandle();
  CloseWriteHandle();
  preparsedData_.reset();
}

uint32_t THidDevice::NumReadBuffers() const {
  std::lock_guard<std::mutex> lock(readHandleMutex_);
  return numReadBuffers_;
}

void THidDevice::SetNumReadBuffers(uint32_t count) {
  std::lock_guard<std::mutex> lock(readHandleMutex_);
  numReadBuffers_ = count;
}

void THidDevice::SetReadSleepTime(int value) {
  if (value >= kMinReadSleepTime && value <= kMaxReadSleepTime) readSleepTime_ = value;
}

void THidDevice::SetDataHandler(THidDataEvent handler) {
  if (!handler) StopReadThread();
  dataHandler_ = std::move(handler);
  StartReadThread();
}

bool THidDevice::IsAccessible() const { return pluggedIn_ && (checkedOut_ || inNotification_); }

// Read and write access first; a device that refuses it (keyboards, mice) is still opened
// without access so that its identity and capabilities can be read.
bool THidDevice::OpenSynchronous() {
  HidHandle handle = hid_.Open(pnpInfo_->DevicePath, HidAccess::ReadWrite);
  readWriteAccess_ = handle != kInvalidHidHandle;
  if (handle == kInvalidHidHandle) handle = hid_.Open(pnpInfo_->DevicePath, HidAccess::QueryOnly);
  deviceHandle_ = handle;
  return handle != kInvalidHidHandle;
}

bool THidDevice::OpenDeviceHandle() {
  if (!IsAccessible()) return deviceHandle_ != kInvalidHidHandle;
  if (deviceHandle_ == kInvalidHidHandle && OpenSynchronous()) {
    if (numInputBuffers_ != 0) hid_.SetNumInputBuffers(deviceHandle_, numInputBuffers_);
    hid_.GetNumInputBuffers(deviceHandle_, numInputBuffers_);
  }
  return deviceHandle_ != kInvalidHidHandle;
}

void THidDevice::CloseDeviceHandle() {
  hid_.Close(deviceHandle_);
  deviceHandle_ = kInvalidHidHandle;
  numInputBuffers_ = 0;
}

bool THidDevice::OpenReadHandle() {
  std::lock_guard<std::mutex> lock(readHandleMutex_);
  if (!IsAccessible()) return false;
  if (readHandle_ == kInvalidHidHandle) {
    HidHandle handle = hid_.Open(pnpInfo_->DevicePath, HidAccess::Read);
    if (handle != kInvalidHidHandle) {
      if (numReadBuffers_ != 0) hid_.SetNumInputBuffers(handle, numReadBuffers_);
      hid_.GetNumInputBuffers(handle, numReadBuffers_);
    }
    readHandle_ = handle;
  }
  return readHandle_ != kInvalidHidHandle;
}

void THidDevice::CloseReadHandle() {
  std::lock_guard<std::mutex> lock(readHandleMutex_);
  hid_.Close(readHandle_);
  readHandle_ = kInvalidHidHandle;
  numReadBuffers_ = 0;
}

bool THidDevice::OpenWriteHandle() {
  if (!IsAccessible()) return false;
  if (writeHandle_ == kInvalidHidHandle) {
    writeHandle_ = hid_.Open(pnpInfo_->DevicePath, HidAccess::Write);
  }
  return writeHandle_ != kInvalidHidHandle;
}

void THidDevice::CloseWriteHandle() {
  hid_.Close(writeHandle_);
  writeHandle_ = kInvalidHidHandle;
}

// Fetched once through the synchronous handle, which is closed again afterwards whether or not
// it had been open before.
const HidPreparsedData* THidDevice::PreparsedData() {
  if (!preparsedData_ && OpenDeviceHandle()) {
    preparsedData_ = hid_.GetPreparsedData(deviceHandle_);
    CloseDeviceHandle();
  }
  return preparsedData_.get();
}

HidCaps THidDevice::Capabilities() {
  HidCaps caps{};
  if (const HidPreparsedData* data = PreparsedData()) {
    if (!hid_.GetCaps(*data, caps)) caps = HidCaps{};
  }
  return caps;
}

bool THidDevice::WriteSync(const uint8_t* buffer, uint32_t count, uint32_t& written) {
  written = 0;
  if (!IsAccessible()) {
    // Without a system call the last error would be whatever an earlier call left, possibly
    // "success"; the caller shows it, so record what actually went wrong.
    hid_.SetLastError(hid_.DeviceNotConnectedCode());
    return false;
  }
  if (!OpenDeviceHandle()) return false;
  return hid_.Write(deviceHandle_, buffer, count, written);
}

bool THidDevice::ReadAsync(uint8_t* buffer, uint32_t count) {
  if (!OpenReadHandle()) {
    // As for WriteSync: the failure is handed on with the system's last error, which must
    // describe it and not some earlier call.
    if (!IsAccessible()) hid_.SetLastError(hid_.DeviceNotConnectedCode());
    return false;
  }
  return hid_.StartRead(readHandle_, buffer, count);
}

uint32_t THidDevice::AsyncReadResult() {
  HidHandle handle = readHandle_;
  if (handle == kInvalidHidHandle) return 0;
  return hid_.ReadResult(handle);
}

bool THidDevice::CancelPendingRead() {
  HidHandle handle = readHandle_;
  if (handle == kInvalidHidHandle) return false;
  return hid_.CancelRead(handle);
}

void THidDevice::StartReadThread() {
  if (!dataHandler_ || !pluggedIn_ || !checkedOut_ || !readWriteAccess_ || readThread_) return;
  // Capabilities fetches the preparsed data here, on the user-interface thread.
  const uint16_t reportLength = Capabilities().InputReportByteLength;
  readThread_ = std::make_shared<THidDeviceReadThread>(*this, ui_, reportLength);
  readThread_->Start();
}

void THidDevice::StopReadThread() {
  // A copy: a call run while waiting may stop (and forget) the same thread itself.
  std::shared_ptr<THidDeviceReadThread> thread = readThread_;
  if (!thread) return;
  thread->Terminate();
  if (thread->InHandOff()) {
    // We run inside the thread's own hand-off, so it cannot end before we return.
    thread->Abandon();
  } else {
    thread->Join();
  }
  if (readThread_ == thread) readThread_.reset();
}

void THidDevice::MarkUnplugged() {
  CloseDeviceHandle();
  CloseReadHandle();
  CloseWriteHandle();
  pluggedIn_ = false;
  // Cleared before it runs: the handler may check the device in, which destroys this object.
  THidPlugEvent handler = std::move(unplugHandler_);
  unplugHandler_ = nullptr;
  if (handler) handler(*this);
}

}  // namespace kv
