#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kv::linux_backend {

// Keeps a Wii Remote that the kernel's hid-wiimote driver drives in the reporting mode the
// program last wrote to it.
//
// The driver sends its own data reporting mode (0x12) after every status report 0x20, chosen by
// which of its input devices are open: with none of them open, 0x30 (buttons only, and a
// controller held still then sends nothing at all); with its IR device open, 0x37, a mode the
// program does not use. The program asks for a status every second, so without help the
// controller leaves the program's mode for good a second after the set-up.
//
// The keeper reads the controller's reports on a hidraw descriptor of its own (hidraw gives every
// open file every report) and writes the program's 0x12 report again:
//   - when a status report arrives (the driver's report goes out from a kernel worker at about the
//     same time, so the keeper looks again shortly after),
//   - when a data report of another ID arrives (someone else made the driver pick another mode),
//   - when, within kWatchMs of a status report, no report in the program's mode has come for
//     kSilenceMs (the driver's report reached the controller after the keeper's).
// A mode without continuous data (0x30, which the program sets at exit) is not kept. Every output
// report carries the rumble motor in bit 0 of its first data byte, so a re-sent mode carries the
// motor state of the program's last report: an edge rumble runs its full length.
class WiimoteModeKeeper {
 public:
  static constexpr int kWatchMs = 250;
  static constexpr int kSilenceMs = 30;

  // Opens `hidrawPath` for reading and writing and starts the keeper's thread; Active() is false
  // when the node cannot be opened.
  explicit WiimoteModeKeeper(const std::string& hidrawPath);
  // Takes over `descriptor` (a hidraw node or anything that keeps report boundaries, such as a
  // sequenced-packet socket) and starts the thread on it.
  struct AdoptDescriptor {};
  WiimoteModeKeeper(AdoptDescriptor, int descriptor);
  ~WiimoteModeKeeper();
  WiimoteModeKeeper(const WiimoteModeKeeper&) = delete;
  WiimoteModeKeeper& operator=(const WiimoteModeKeeper&) = delete;

  bool Active() const { return fd_ >= 0; }
  // The program wrote this output report to the controller (any report; 0x12 ones count).
  void Written(const uint8_t* data, uint32_t length);
  // How often the keeper wrote the mode again.
  uint32_t Resends() const { return resends_; }

  // True when the HID device in the sysfs folder `hidSysfsDir` is driven by hid-wiimote.
  static bool DrivenByHidWiimote(const std::string& hidSysfsDir);

 private:
  void Start();
  void Run();
  void Resend();
  void OnReport(uint8_t id, std::chrono::steady_clock::time_point now);

  int fd_ = -1;
  int wakeFd_ = -1;
  std::mutex modeMutex_;
  std::vector<uint8_t> mode_;  // the program's last 0x12 report, empty when none is kept
  bool rumble_ = false;        // the motor bit of the program's last report of any kind
  std::atomic<uint32_t> resends_{0};
  // Read-thread state.
  bool watching_ = false;
  std::chrono::steady_clock::time_point watchUntil_{};
  std::chrono::steady_clock::time_point lastInMode_{};
  std::chrono::steady_clock::time_point lastResend_{};
  std::thread thread_;
};

}  // namespace kv::linux_backend
