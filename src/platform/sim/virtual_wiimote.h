#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/port/clock.h"
#include "platform/sim/sim_hid_system.h"
#include "platform/sim/wiimote_scenario.h"

namespace kv::sim {

// A Wii Remote that exists only in memory: a device 057E:0306 of the simulated HID system, with
// input and output reports of 22 bytes, that replays a scenario of input reports and answers
// output reports the way the controller does.
//
// Time zero is the moment the device is checked out, seen as the first thing only its holder
// does (its preparsed data fetched when the read thread starts, a read or write handle opened,
// a report written). Scenario steps are then released by Poll, which the replay thread started
// by Start calls whenever the next step is due; tests call Poll themselves after moving a fake
// clock.
//
// Output reports (every one is accepted, logged and recorded; byte 1 bit 0 of each sets the
// rumble motor, and byte 1 bit 1 asks for an acknowledgement report 0x22):
//   0x11  LEDs (byte 1 bits 4-7)
//   0x12  data reporting mode: byte 1 bit 2 continuous, byte 2 the mode; every change recorded
//   0x13  IR camera enable (byte 1 bit 2);  0x1A  IR camera enable 2 (byte 1 bit 2)
//   0x15  status request: answered at once with a 0x20 status report: data bytes 0-1 the
//         buttons of the last delivered report, data byte 2 the LED bits and bit 3 for the
//         camera, data byte 5 the battery byte
//   0x16  register write: byte 1 bit 2 selects the control registers, bytes 2-4 the address,
//         byte 5 the length (1..16), then the data; acknowledged with 0x22 (error 0, or 4 for a
//         bad length)
//   others (speaker, memory read, ...) are taken without an answer.
class VirtualWiimote final : public SimHidDeviceBehaviour {
 public:
  static constexpr const char* kDevicePath = "sim:virtual-wiimote";
  static constexpr uint32_t kDeviceInstance = 0x0306;
  static constexpr uint16_t kVendorId = 0x057E;
  static constexpr uint16_t kProductId = 0x0306;

  // Receives each log line, without its line end.
  using LogSink = std::function<void(const std::string& line)>;

  // The device as the HID system lists it.
  static SimHidDeviceConfig DeviceConfig();

  // Adds the device to `hid`, present from the start.
  VirtualWiimote(SimHidSystem& hid, Clock& clock, WiimoteScenario scenario);
  // Stops the replay thread and detaches from the HID system (the device stays listed). Destroy
  // whatever uses the device first (the HID device controller with its read threads): the HID
  // system calls the device without holding a reference to it.
  ~VirtualWiimote() override;

  VirtualWiimote(const VirtualWiimote&) = delete;
  VirtualWiimote& operator=(const VirtualWiimote&) = delete;

  // Every output report is passed to `sink` as "MS HEXBYTES...": milliseconds since check-out and
  // the bytes as written, lower-case hex, space separated.
  void SetLog(LogSink sink);
  // A sink that appends lines to the file at `path`, flushing each one. Empty, with `error` set,
  // when the file cannot be opened for appending.
  static LogSink OpenLogFile(const std::string& path, std::string& error);

  // Releases every scenario step that is due.
  void Poll();
  // Delivers an input report (report ID first, at most kWiimoteReportLength bytes) now, as a
  // scenario step would: its first two data bytes become the controller's buttons. False while
  // the device is unplugged.
  bool Deliver(const std::vector<uint8_t>& report);
  // Starts and stops the replay thread (the application's way of driving Poll).
  void Start();
  void Stop();

  // What the device has seen.
  bool CheckedOut() const;
  bool Finished() const;  // every step released
  uint8_t Leds() const;
  bool Rumble() const;
  uint8_t ReportMode() const;
  bool ContinuousReporting() const;
  bool IrCameraEnabled() const;  // both enable reports seen with bit 2 set
  std::vector<std::pair<uint32_t, uint8_t>> ModeChanges() const;  // (ms, mode)
  std::map<uint32_t, uint8_t> ControlRegisters() const;
  std::vector<std::vector<uint8_t>> OutputReports() const;
  std::array<uint8_t, 2> Buttons() const;

  void OnHolderUse() override;
  void OnOutputReport(const uint8_t* data, uint32_t length) override;

 private:
  uint32_t ElapsedLocked() const;
  void ReplayLoop();
  std::vector<uint8_t> AnswerLocked(const uint8_t* data, uint32_t length);
  std::vector<uint8_t> StatusReportLocked() const;
  std::vector<uint8_t> AcknowledgeLocked(uint8_t reportId, uint8_t error) const;
  uint8_t RegisterWriteLocked(const uint8_t* data, uint32_t length);

  SimHidSystem& hid_;
  Clock& clock_;
  const WiimoteScenario scenario_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool checkedOut_ = false;
  uint32_t zeroMs_ = 0;
  std::size_t nextStep_ = 0;
  std::array<uint8_t, 2> buttons_{};
  uint8_t leds_ = 0;
  bool rumble_ = false;
  uint8_t reportMode_ = 0x30;
  bool continuous_ = false;
  bool irEnable1_ = false;
  bool irEnable2_ = false;
  std::vector<std::pair<uint32_t, uint8_t>> modeChanges_;
  std::map<uint32_t, uint8_t> controlRegisters_;
  std::map<uint32_t, uint8_t> memory_;
  std::vector<std::vector<uint8_t>> outputReports_;

  std::mutex logMutex_;
  LogSink log_;

  bool stopping_ = false;
  std::thread replay_;
};

}  // namespace kv::sim
