#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/hid/hid_device.h"
#include "core/hid/hid_events.h"
#include "core/port/hid_system.h"

namespace kv {

class UiDispatcher;

// Keeps an ordered list of every HID device interface present, one THidDevice per interface,
// current by re-enumerating whenever the system says its device tree changed; tells its owner
// about changes through events, and checks devices out by vendor and product ID.
//
// Runs entirely on the user-interface thread. The system's device-change notices (and the
// controller's own start-up notice) are posted through the dispatcher, so they run when that
// thread drains it; a notice that runs while another is being handled (an event handler that
// processes pending messages) is dropped, not queued.
//
// Wiring: construct it, set the handlers, then call Loaded(). The start-up notice posted by the
// constructor makes the first drain enumerate and raise OnDeviceChange once, even when no
// device is present.
class THidDeviceController {
 public:
  static constexpr int kDefaultDevThreadSleepTime = 100;
  static constexpr int32_t kStartupChangeParam = -1;
  // Parameter of a notice that came from the system.
  static constexpr int32_t kSystemChangeParam = 0;

  // Looks at the system's HID services; when they are available, subscribes to device-change
  // notices and posts the start-up notice. Both `hid` and `ui` must outlive the controller.
  THidDeviceController(HidSystem& hid, UiDispatcher& ui);
  // Clears OnDeviceChange, OnDeviceUnplug and OnEnumerate, stops the notices, marks checked-out
  // devices unplugged and destroys every device, checked out or not: references handed out by
  // CheckOutDevice end here.
  ~THidDeviceController();

  THidDeviceController(const THidDeviceController&) = delete;
  THidDeviceController& operator=(const THidDeviceController&) = delete;

  // End of setting up: from now on, setting OnDeviceChange runs DeviceChange at once.
  void Loaded() { loading_ = false; }

  // Re-enumerates, compares with the list and raises the events. Does nothing when the
  // system's HID services are unavailable.
  void DeviceChange();

  // Hands out the first listed device with these IDs (productId -1: any product of the vendor)
  // that is not checked out yet, and starts its read thread. False, with `HidDev` null, when
  // there is none.
  bool CheckOutDevice(int vendorId, int productId, THidDevice*& HidDev);
  // The same for a device of this vendor with any of `productIds` (one product sold under
  // several IDs): the first listed free device with one of them, whatever the IDs' order.
  bool CheckOutDevice(int vendorId, std::span<const int> productIds, THidDevice*& HidDev);

  // Gives a checked-out device back and sets `HidDev` to null: the device object is destroyed
  // and, if it is still plugged in, a fresh one for the same device takes its place in the
  // list with its data handler, unplug handler and wait slice. Ignores devices not listed.
  void CheckInDevice(THidDevice*& HidDev);

  // What runs on the user-interface thread for each device-change notice.
  void HandleDeviceChangeNotice(int32_t changeParam);

  bool LibrariesLoaded() const { return librariesLoaded_; }
  bool InDeviceChange() const { return inDeviceChange_; }
  int32_t ChangeParam() const { return changeParam_; }
  const std::vector<std::unique_ptr<THidDevice>>& DeviceList() const { return deviceList_; }
  std::string Version() const { return "1.0.32"; }

  int DevThreadSleepTime() const { return devThreadSleepTime_; }
  // Hands the value to every listed device still on the previous one (each accepts only its
  // valid range), then stores it unchecked.
  void SetDevThreadSleepTime(int value);

  const THidPlugEvent& OnArrival() const { return onArrival_; }
  void SetOnArrival(THidPlugEvent handler) { onArrival_ = std::move(handler); }
  const THidPlugEvent& OnRemoval() const { return onRemoval_; }
  void SetOnRemoval(THidPlugEvent handler) { onRemoval_ = std::move(handler); }
  const TNotifyEvent& OnDeviceChange() const { return onDeviceChange_; }
  void SetOnDeviceChange(TNotifyEvent handler);
  const THidEnumerateEvent& OnEnumerate() const { return onEnumerate_; }
  void SetOnEnumerate(THidEnumerateEvent handler) { onEnumerate_ = std::move(handler); }

  // These three hand a new handler to every listed device that still has the previous one;
  // devices created later start with the current ones.
  const THidDataEvent& OnDeviceData() const { return onDeviceData_; }
  void SetOnDeviceData(THidDataEvent handler);
  const THidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }
  void SetOnDeviceDataError(THidDataErrorEvent handler);
  const THidPlugEvent& OnDeviceUnplug() const { return onDeviceUnplug_; }
  void SetOnDeviceUnplug(THidPlugEvent handler);

 private:
  // Lets posted notices find out that the controller is gone.
  struct Life {
    bool Alive = true;
  };

  std::vector<std::unique_ptr<THidDevice>> EnumerateDevices();
  void RemoveMissing(const std::vector<std::unique_ptr<THidDevice>>& fresh, bool& changed);
  void DropDuplicates(std::vector<std::unique_ptr<THidDevice>>& fresh);
  void AddArrivals(std::vector<std::unique_ptr<THidDevice>>& fresh, bool& changed);
  bool CheckOutFirst(const std::function<bool(const HidAttributes&)>& matches, THidDevice*& HidDev);
  void RaiseInNotification(const THidPlugEvent& handler, THidDevice* device);
  bool IsListedAndPluggedIn(uint32_t deviceInstance) const;
  std::ptrdiff_t IndexOf(const THidDevice* device) const;
  void ReplaceOrRemove(THidDevice* device, const THidDataEvent& data, const THidPlugEvent& unplug,
                       int readSleepTime);

  HidSystem& hid_;
  UiDispatcher& ui_;
  std::shared_ptr<Life> life_;
  bool librariesLoaded_ = false;
  bool notificationsStarted_ = false;
  bool loading_ = true;
  bool inDeviceChange_ = false;
  int32_t changeParam_ = 0;
  std::vector<std::unique_ptr<THidDevice>> deviceList_;

  int devThreadSleepTime_ = kDefaultDevThreadSleepTime;
  THidPlugEvent onArrival_;
  THidPlugEvent onRemoval_;
  TNotifyEvent onDeviceChange_;
  THidDataEvent onDeviceData_;
  THidDataErrorEvent onDeviceDataError_;
  THidPlugEvent onDeviceUnplug_;
  THidEnumerateEvent onEnumerate_;
};

}  // namespace kv
