#include "core/hid/hid_device_controller.h"

#include <algorithm>
#include <optional>

#include "core/ui/ui_dispatcher.h"

namespace kv {

THidDeviceController::THidDeviceController(HidSystem& hid, UiDispatcher& ui)
    : hid_(hid), ui_(ui), life_(std::make_shared<Life>()) {
  librariesLoaded_ = hid_.LibrariesLoaded();
  if (!librariesLoaded_) return;  // never finds a device, never raises an event
  std::shared_ptr<Life> life = life_;
  ui_.Post([this, life] {
    if (life->Alive) HandleDeviceChangeNotice(kStartupChangeParam);
  });
  // Called on any thread: only hand the notice over, the work happens on the UI thread.
  UiDispatcher* uiPtr = &ui_;
  notificationsStarted_ = hid_.StartDeviceNotifications([this, uiPtr, life] {
    uiPtr->Post([this, life] {
      if (life->Alive) HandleDeviceChangeNotice(kSystemChangeParam);
    });
  });
}

THidDeviceController::~THidDeviceController() {
  onDeviceChange_ = nullptr;
  SetOnDeviceUnplug(nullptr);
  onEnumerate_ = nullptr;
  if (notificationsStarted_) hid_.StopDeviceNotifications();
  life_->Alive = false;
  for (auto& device : deviceList_) {
    device->controller_ = nullptr;
    if (device->CheckedOut()) device->MarkUnplugged();
  }
  // Destroyed one at a time from the front; stopping a read thread may run handed-off calls.
  while (!deviceList_.empty()) {
    std::unique_ptr<THidDevice> device = std::move(deviceList_.front());
    deviceList_.erase(deviceList_.begin());
    device.reset();
  }
}

void THidDeviceController::HandleDeviceChangeNotice(int32_t changeParam) {
  if (inDeviceChange_) return;
  changeParam_ = changeParam;
  inDeviceChange_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{inDeviceChange_};
  DeviceChange();
}

// Every present interface becomes a new device object. Creating one opens the device, so a
// device that cannot be opened or identified is skipped here, like any whose creation fails.
std::vector<std::unique_ptr<THidDevice>> THidDeviceController::EnumerateDevices() {
  std::vector<std::unique_ptr<THidDevice>> fresh;
  std::optional<std::vector<HidInterfaceInfo>> interfaces = hid_.EnumerateInterfaces();
  if (!interfaces) return fresh;
  for (const HidInterfaceInfo& info : *interfaces) {
    try {
      auto pnpInfo = std::make_shared<const THidPnPInfo>(info);
      fresh.push_back(std::make_unique<THidDevice>(std::move(pnpInfo), hid_, ui_, this));
    } catch (...) {
      // Skipped silently: the device stays out of the list until a later enumeration succeeds.
    }
  }
  return fresh;
}

void THidDeviceController::DeviceChange() {
  if (!librariesLoaded_) return;
  bool changed = changeParam_ == kStartupChangeParam;
  std::vector<std::unique_ptr<THidDevice>> fresh = EnumerateDevices();
  RemoveMissing(fresh, changed);
  DropDuplicates(fresh);
  AddArrivals(fresh, changed);
  if (changed && onDeviceChange_) {
    const TNotifyEvent handler = onDeviceChange_;
    handler(*this);
  }
}

// From the last listed device to the first. An unplugged device never counts as present, so a
// checked-out device that was unplugged is reported again on every change until checked in.
void THidDeviceController::RemoveMissing(const std::vector<std::unique_ptr<THidDevice>>& fresh,
                                         bool& changed) {
  for (std::size_t i = deviceList_.size(); i-- > 0;) {
    if (i >= deviceList_.size()) continue;  // a handler shortened the list
    THidDevice* device = deviceList_[i].get();
    const bool present =
        device->PluggedIn() &&
        std::any_of(fresh.rbegin(), fresh.rend(), [&](const std::unique_ptr<THidDevice>& f) {
          return f->PnPInfo().DeviceInstance == device->PnPInfo().DeviceInstance;
        });
    if (present) continue;
    changed = true;
    device->MarkUnplugged();
    if (IndexOf(device) < 0) continue;  // the unplug handler checked it in
    RaiseInNotification(onRemoval_, device);
    const std::ptrdiff_t index = IndexOf(device);
    if (index >= 0 && !device->CheckedOut()) deviceList_.erase(deviceList_.begin() + index);
  }
}

// A fresh object for a device that is listed and plugged in is the same device again.
void THidDeviceController::DropDuplicates(std::vector<std::unique_ptr<THidDevice>>& fresh) {
  auto duplicate = [&](std::unique_ptr<THidDevice>& f) {
    if (!IsListedAndPluggedIn(f->PnPInfo().DeviceInstance)) return false;
    f->controller_ = nullptr;
    f.reset();
    return true;
  };
  fresh.erase(std::remove_if(fresh.begin(), fresh.end(), duplicate), fresh.end());
}

void THidDeviceController::AddArrivals(std::vector<std::unique_ptr<THidDevice>>& fresh,
                                       bool& changed) {
  for (std::unique_ptr<THidDevice>& f : fresh) {
    THidDevice* device = f.get();
    deviceList_.push_back(std::move(f));
    changed = true;
    RaiseInNotification(onArrival_, device);
  }
  fresh.clear();
}

void THidDeviceController::RaiseInNotification(const THidPlugEvent& handler, THidDevice* device) {
  if (!handler) return;
  const THidPlugEvent call = handler;  // the handler may replace the event
  device->inNotification_ = true;
  call(*device);
  // The handler may have checked the device in, which destroys it.
  if (IndexOf(device) >= 0) device->inNotification_ = false;
}

bool THidDeviceController::IsListedAndPluggedIn(uint32_t deviceInstance) const {
  return std::any_of(deviceList_.begin(), deviceList_.end(), [&](const auto& device) {
    return device->PnPInfo().DeviceInstance == deviceInstance && device->PluggedIn();
  });
}

std::ptrdiff_t THidDeviceController::IndexOf(const THidDevice* device) const {
  for (std::size_t i = 0; i < deviceList_.size(); ++i) {
    if (deviceList_[i].get() == device) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

bool THidDeviceController::CheckOutDevice(int vendorId, int productId, THidDevice*& HidDev) {
  return CheckOutFirst(
      [&](const HidAttributes& attributes) {
        return attributes.VendorID == vendorId &&
               (productId == -1 || attributes.ProductID == productId);
      },
      HidDev);
}

bool THidDeviceController::CheckOutDevice(int vendorId, std::span<const int> productIds,
                                          THidDevice*& HidDev) {
  return CheckOutFirst(
      [&](const HidAttributes& attributes) {
        return attributes.VendorID == vendorId &&
               std::find(productIds.begin(), productIds.end(), attributes.ProductID) !=
                   productIds.end();
      },
      HidDev);
}

bool THidDeviceController::CheckOutFirst(const std::function<bool(const HidAttributes&)>& matches,
                                         THidDevice*& HidDev) {
  HidDev = nullptr;
  for (const std::unique_ptr<THidDevice>& device : deviceList_) {
    if (!matches(device->Attributes()) || device->CheckedOut()) continue;
    device->checkedOut_ = true;
    HidDev = device.get();
    HidDev->StartReadThread();
    return true;
  }
  return false;
}

void THidDeviceController::CheckInDevice(THidDevice*& HidDev) {
  THidDevice* device = HidDev;
  HidDev = nullptr;
  if (!device || IndexOf(device) < 0) return;
  const THidDataEvent data = device->DataHandler();
  const THidPlugEvent unplug = device->UnplugHandler();
  const int readSleepTime = device->ReadSleepTime();
  // Stopping the read thread runs handed-off calls, which may change the list; the device's
  // position is looked up only afterwards.
  device->SetDataHandler(nullptr);
  device->unplugHandler_ = nullptr;
  ReplaceOrRemove(device, data, unplug, readSleepTime);
}

void THidDeviceController::ReplaceOrRemove(THidDevice* device, const THidDataEvent& data,
                                           const THidPlugEvent& unplug, int readSleepTime) {
  const std::ptrdiff_t index = IndexOf(device);
  if (index < 0) return;  // a call run meanwhile took it
  const bool pluggedIn = device->PluggedIn();
  std::shared_ptr<const THidPnPInfo> pnpInfo = device->SharedPnPInfo();
  deviceList_[index].reset();  // closes its handles before the device is opened again
  if (pluggedIn) {
    try {
      auto replacement = std::make_unique<THidDevice>(std::move(pnpInfo), hid_, ui_, this);
      replacement->SetDataHandler(data);
      replacement->SetUnplugHandler(unplug);
      replacement->SetReadSleepTime(readSleepTime);
      deviceList_[index] = std::move(replacement);
      return;
    } catch (...) {
      // It can no longer be opened or identified: it leaves the list like a missing device.
    }
  }
  deviceList_.erase(deviceList_.begin() + index);
}

void THidDeviceController::SetDevThreadSleepTime(int value) {
  if (value == devThreadSleepTime_) return;
  for (const std::unique_ptr<THidDevice>& device : deviceList_) {
    if (device->ReadSleepTime() == devThreadSleepTime_) device->SetReadSleepTime(value);
  }
  devThreadSleepTime_ = value;
}

void THidDeviceController::SetOnDeviceChange(TNotifyEvent handler) {
  onDeviceChange_ = std::move(handler);
  if (!loading_) DeviceChange();
}

void THidDeviceController::SetOnDeviceData(THidDataEvent handler) {
  if (handler == onDeviceData_) return;
  // By index: changing a handler may stop a read thread, which runs handed-off calls.
  for (std::size_t i = 0; i < deviceList_.size(); ++i) {
    THidDevice* device = deviceList_[i].get();
    if (device && device->DataHandler() == onDeviceData_) device->SetDataHandler(handler);
  }
  onDeviceData_ = std::move(handler);
}

void THidDeviceController::SetOnDeviceDataError(THidDataErrorEvent handler) {
  if (handler == onDeviceDataError_) return;
  for (const std::unique_ptr<THidDevice>& device : deviceList_) {
    if (device->DataErrorHandler() == onDeviceDataError_) device->SetDataErrorHandler(handler);
  }
  onDeviceDataError_ = std::move(handler);
}

void THidDeviceController::SetOnDeviceUnplug(THidPlugEvent handler) {
  if (handler == onDeviceUnplug_) return;
  for (const std::unique_ptr<THidDevice>& device : deviceList_) {
    if (device->UnplugHandler() == onDeviceUnplug_) device->SetUnplugHandler(handler);
  }
  onDeviceUnplug_ = std::move(handler);
}

}  // namespace kv
