#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/hid/hid_device.h"
#include "core/hid/hid_device_controller.h"
#include "core/ui/ui_dispatcher.h"
#include "platform/sim/sim_hid_system.h"

namespace kv::test {

// Long enough never to be reached unless something hangs.
inline constexpr std::chrono::milliseconds kGenerous{5000};

inline constexpr uint16_t kWiimoteVendor = 0x057E;
inline constexpr uint16_t kWiimoteProduct = 0x0306;

inline sim::SimHidDeviceConfig DeviceConfig(const std::string& path, uint32_t instance,
                                            uint16_t vendor = kWiimoteVendor,
                                            uint16_t product = kWiimoteProduct,
                                            uint16_t reportLength = 22) {
  sim::SimHidDeviceConfig config;
  config.DevicePath = path;
  config.DeviceInstance = instance;
  config.Attributes.VendorID = vendor;
  config.Attributes.ProductID = product;
  config.Caps.InputReportByteLength = reportLength;
  config.Caps.OutputReportByteLength = reportLength;
  return config;
}

inline sim::SimHidDeviceConfig KeyboardConfig(const std::string& path, uint32_t instance) {
  sim::SimHidDeviceConfig config = DeviceConfig(path, instance, 0x046D, 0xC31C, 9);
  config.RefusesReadWrite = true;
  return config;
}

// One input report as the handler saw it.
struct Received {
  THidDevice* Device = nullptr;
  uint8_t ReportID = 0;
  std::vector<uint8_t> Data;
  uint16_t Size = 0;
};

// A controller over the sim HID system, with the test thread as the user-interface thread.
class HidFixtureBase {
 protected:
  sim::SimHidSystem hid_;
  UiDispatcher ui_;
  std::unique_ptr<THidDeviceController> controller_;
  std::vector<Received> received_;
  int deviceChanges_ = 0;

  // Creates the controller with a recording data handler and a change counter, and runs the
  // start-up notice.
  void StartController() {
    controller_ = std::make_unique<THidDeviceController>(hid_, ui_);
    controller_->SetOnDeviceData(RecordingHandler());
    controller_->SetOnDeviceChange([this](THidDeviceController&) { ++deviceChanges_; });
    controller_->Loaded();
    ui_.Drain();
  }

  THidDataEvent RecordingHandler() {
    return [this](THidDevice& device, uint8_t id, const uint8_t* data, uint16_t size) {
      received_.push_back(Received{&device, id, std::vector<uint8_t>(data, data + size), size});
    };
  }

  // The system reports a change and the UI thread processes it.
  void SystemChange() {
    hid_.NotifyDeviceChange();
    ui_.Drain();
  }

  THidDevice* CheckOut(uint16_t vendor = kWiimoteVendor, int product = kWiimoteProduct) {
    THidDevice* device = nullptr;
    controller_->CheckOutDevice(vendor, product, device);
    return device;
  }

  // Runs handed-off calls until `count` reports have arrived.
  bool WaitForReports(std::size_t count) {
    return ui_.WaitUntil([&] { return received_.size() >= count; }, kGenerous);
  }

  std::size_t IndexOf(const THidDevice* device) const {
    const auto& list = controller_->DeviceList();
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (list[i].get() == device) return i;
    }
    return list.size();
  }
};

}  // namespace kv::test
