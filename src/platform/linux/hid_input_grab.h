#pragma once

#include <string>
#include <vector>

namespace kv::linux_backend {

// The key input devices a kernel driver made of one HID device, held open and grabbed.
//
// A Wii Remote on Linux is also driven by the kernel's hid-wiimote driver, which turns its
// buttons into key events of an input device ("Nintendo Wii Remote") that the desktop reads too:
// every press would arrive twice, once as the program's action and once as a key. Holding that
// device open and grabbed (EVIOCGRAB) while the program reads the controller keeps its events
// away from everybody else. Closing gives it back: the driver's device works again when the
// program lets go of the controller or the controller leaves.
//
// Only devices that send keys are taken: the driver picks the controller's reporting mode from
// which of its other devices (accelerometer, IR) are open. Devices that cannot be opened (no
// access, no driver input devices) are left alone.
class HidInputGrab {
 public:
  HidInputGrab() = default;
  // Opens and grabs the event devices of the key input devices below `hidSysfsDir`/input
  // (input*/event*), found in `devInputDir`.
  HidInputGrab(const std::string& hidSysfsDir, const std::string& devInputDir = "/dev/input");
  ~HidInputGrab();
  HidInputGrab(const HidInputGrab&) = delete;
  HidInputGrab& operator=(const HidInputGrab&) = delete;
  HidInputGrab(HidInputGrab&& other) noexcept : fds_(std::move(other.fds_)) { other.fds_.clear(); }
  HidInputGrab& operator=(HidInputGrab&& other) noexcept;

  // How many event devices are held.
  std::size_t Count() const { return fds_.size(); }

 private:
  void Release();
  std::vector<int> fds_;
};

}  // namespace kv::linux_backend
