#include "platform/sim/virtual_wiimote.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>

#include "core/link/wiimote_reports.h"
#include "core/ui/thread_name.h"

namespace kv::sim {
namespace {

constexpr uint8_t kRumbleBit = 0x01;
constexpr uint8_t kAcknowledgeBit = 0x02;
constexpr uint8_t kEnableBit = 0x04;  // camera enable, continuous reporting, control registers
constexpr uint8_t kLedBits = 0xF0;
constexpr uint8_t kStatusCameraBit = 0x08;
constexpr uint8_t kErrorBadLength = 0x04;
constexpr std::size_t kMaxWriteLength = 16;

// Longest wait of the replay thread between looks at the clock, so that a clock that does not
// follow real time (or a check-out that happens meanwhile) is noticed.
constexpr uint32_t kMaxReplayWaitMs = 250;

std::string FormatLine(uint32_t ms, const uint8_t* data, uint32_t length) {
  static const char kDigits[] = "0123456789abcdef";
  std::string line = std::to_string(ms);
  line.reserve(line.size() + length * 3);
  for (uint32_t i = 0; i < length; ++i) {
    line += ' ';
    line += kDigits[data[i] >> 4];
    line += kDigits[data[i] & 0x0F];
  }
  return line;
}

// Appends `item`, dropping the oldest entries beyond `limit`.
template <class Item>
void Record(std::deque<Item>& record, Item item, std::size_t limit) {
  if (limit == 0) return;
  while (record.size() >= limit) record.pop_front();
  record.push_back(std::move(item));
}

// Upper-case, four digits, as hardware IDs write product IDs.
std::string Hex4(uint16_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0x0F];
  return text;
}

}  // namespace

SimHidDeviceConfig VirtualWiimote::DeviceConfig(uint16_t productId) {
  SimHidDeviceConfig config;
  config.DevicePath = kDevicePath;
  config.DeviceInstance = kDeviceInstance;
  config.Attributes.VendorID = kVendorId;
  config.Attributes.ProductID = productId;
  config.Attributes.VersionNumber = 0x0600;
  config.Caps.UsagePage = 0x0001;  // generic desktop
  config.Caps.Usage = 0x0005;      // game pad
  config.Caps.InputReportByteLength = kWiimoteReportLength;
  config.Caps.OutputReportByteLength = kWiimoteReportLength;
  config.Properties.FriendlyName = "Virtual Wii Remote";
  config.Properties.HardwareId = {"SIM\\VID_057E&PID_" + Hex4(productId)};
  return config;
}

VirtualWiimote::VirtualWiimote(SimHidSystem& hid, Clock& clock, WiimoteScenario scenario)
    : hid_(hid), clock_(clock), scenario_(std::move(scenario)) {
  hid_.AddDevice(DeviceConfig(scenario_.ProductId));
  hid_.SetBehaviour(kDevicePath, this);
}

VirtualWiimote::~VirtualWiimote() {
  Stop();
  hid_.SetBehaviour(kDevicePath, nullptr);
}

void VirtualWiimote::SetLog(LogSink sink) {
  std::lock_guard<std::mutex> lock(logMutex_);
  log_ = std::move(sink);
}

VirtualWiimote::LogSink VirtualWiimote::OpenLogFile(const std::string& path, std::string& error) {
  auto file = std::make_shared<std::ofstream>(path, std::ios::out | std::ios::app);
  if (!*file) {
    error = "cannot open " + path + " for appending";
    return nullptr;
  }
  error.clear();
  return [file](const std::string& line) {
    *file << line << '\n';
    file->flush();
  };
}

void VirtualWiimote::SetRecordLimit(std::size_t limit) {
  std::lock_guard<std::mutex> lock(mutex_);
  recordLimit_ = limit;
  while (outputReports_.size() > limit) outputReports_.pop_front();
  while (modeChanges_.size() > limit) modeChanges_.pop_front();
}

void VirtualWiimote::OnHolderUse() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (checkedOut_) return;
    checkedOut_ = true;
    zeroMs_ = clock_.NowMs();
  }
  wake_.notify_all();
}

uint32_t VirtualWiimote::ElapsedLocked() const {
  return checkedOut_ ? clock_.NowMs() - zeroMs_ : 0;  // unsigned: right across the wrap
}

void VirtualWiimote::Poll() {
  for (;;) {
    WiimoteScenarioStep step;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!checkedOut_ || nextStep_ >= scenario_.Steps.size()) return;
      if (scenario_.Steps[nextStep_].AtMs > ElapsedLocked()) return;
      step = scenario_.Steps[nextStep_++];
    }
    // Outside the lock: the HID system may call back (notifications, reads).
    switch (step.What) {
      case WiimoteScenarioStep::Kind::Unplug: {
        hid_.Unplug(kDevicePath);
        std::lock_guard<std::mutex> lock(mutex_);
        PowerOffLocked();
        break;
      }
      case WiimoteScenarioStep::Kind::Plug:
        hid_.Plug(kDevicePath);
        break;
      case WiimoteScenarioStep::Kind::Report:
        Deliver(std::vector<uint8_t>(step.Report.begin(), step.Report.end()));
        break;
    }
  }
}

// What a controller keeps only while it is on.
void VirtualWiimote::PowerOffLocked() {
  buttons_ = {};
  leds_ = 0;
  rumble_ = false;
  reportMode_ = kModeButtons;
  continuous_ = false;
  irEnable1_ = false;
  irEnable2_ = false;
  controlRegisters_.clear();
  memory_.clear();
}

bool VirtualWiimote::Deliver(const std::vector<uint8_t>& report) {
  if (report.size() < 3 || report.size() > kWiimoteReportLength) return false;
  const std::array<uint8_t, 2> buttons = {report[1], report[2]};
  std::vector<uint8_t> padded = report;
  padded.resize(kWiimoteReportLength, 0);
  // Queued under the lock that answers are made and queued under: otherwise a status answer
  // made between the two steps would carry the buttons from before this report and arrive after
  // it, and the program would see the buttons change back.
  std::lock_guard<std::mutex> lock(mutex_);
  if (!hid_.QueueInputReport(kDevicePath, std::move(padded))) return false;
  buttons_ = buttons;
  return true;
}

void VirtualWiimote::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (replay_.joinable()) return;
  stopping_ = false;
  replay_ = std::thread([this] { ReplayLoop(); });
}

void VirtualWiimote::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (replay_.joinable()) replay_.join();
}

void VirtualWiimote::ReplayLoop() {
  NameCurrentThread("kv-virtual-wii");
  for (;;) {
    Poll();
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_) return;
    if (!checkedOut_) {
      wake_.wait(lock, [this] { return stopping_ || checkedOut_; });
      continue;
    }
    if (nextStep_ >= scenario_.Steps.size()) {
      wake_.wait(lock, [this] { return stopping_; });
      return;
    }
    const uint32_t elapsed = ElapsedLocked();
    const uint32_t due = scenario_.Steps[nextStep_].AtMs;
    const uint32_t wait = due > elapsed ? std::min(due - elapsed, kMaxReplayWaitMs) : 0;
    wake_.wait_for(lock, std::chrono::milliseconds(wait), [this] { return stopping_; });
  }
}

void VirtualWiimote::OnOutputReport(const uint8_t* data, uint32_t length) {
  if (length == 0) return;
  std::vector<uint8_t> answer;
  uint32_t elapsed = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    elapsed = ElapsedLocked();
    Record(outputReports_, std::vector<uint8_t>(data, data + length), recordLimit_);
    answer = AnswerLocked(data, length);
    // The buttons in the answer are the last queued report's as long as the lock is held (see
    // Deliver). The HID system takes its own lock only and never calls back from here.
    if (!answer.empty()) hid_.QueueInputReport(kDevicePath, std::move(answer));
  }
  std::lock_guard<std::mutex> lock(logMutex_);
  if (log_) log_(FormatLine(elapsed, data, length));
}

// Updates the device state for one output report; returns the input report it answers with.
std::vector<uint8_t> VirtualWiimote::AnswerLocked(const uint8_t* data, uint32_t length) {
  const uint8_t id = data[0];
  const uint8_t flags = length > 1 ? data[1] : 0;
  rumble_ = (flags & kRumbleBit) != 0;
  switch (id) {
    case kReportLedRumble:
      leds_ = flags & kLedBits;
      break;
    case kReportDataMode:
      continuous_ = (flags & kEnableBit) != 0;
      if (length > 2) {
        reportMode_ = data[2];
        Record(modeChanges_, std::make_pair(ElapsedLocked(), data[2]), recordLimit_);
      }
      break;
    case kReportIRCameraEnable:
      irEnable1_ = (flags & kEnableBit) != 0;
      break;
    case kReportIRCameraEnable2:
      irEnable2_ = (flags & kEnableBit) != 0;
      break;
    case kReportStatusRequest:
      return StatusReportLocked();
    case kReportRegisterWrite:
      return AcknowledgeLocked(id, RegisterWriteLocked(data, length));
    default:
      break;
  }
  if (flags & kAcknowledgeBit) return AcknowledgeLocked(id, 0);
  return {};
}

std::vector<uint8_t> VirtualWiimote::StatusReportLocked() const {
  std::vector<uint8_t> report(kWiimoteReportLength, 0);
  report[0] = kReportStatus;
  report[1] = buttons_[0];
  report[2] = buttons_[1];
  report[3] = static_cast<uint8_t>(leds_ | (irEnable1_ && irEnable2_ ? kStatusCameraBit : 0));
  report[6] = scenario_.Battery;
  return report;
}

std::vector<uint8_t> VirtualWiimote::AcknowledgeLocked(uint8_t reportId, uint8_t error) const {
  std::vector<uint8_t> report(kWiimoteReportLength, 0);
  report[0] = kReportAcknowledge;
  report[1] = buttons_[0];
  report[2] = buttons_[1];
  report[3] = reportId;
  report[4] = error;
  return report;
}

// Stores the data of a 0x16 report; returns the acknowledgement's error code.
uint8_t VirtualWiimote::RegisterWriteLocked(const uint8_t* data, uint32_t length) {
  constexpr uint32_t kHeader = 6;  // ID, space, three address bytes, length
  if (length < kHeader) return kErrorBadLength;
  const uint8_t count = data[5];
  if (count == 0 || count > kMaxWriteLength || kHeader + count > length) return kErrorBadLength;
  const uint32_t address =
      static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 8 | data[4];
  auto& space = (data[1] & kEnableBit) ? controlRegisters_ : memory_;
  for (uint8_t i = 0; i < count; ++i) space[(address + i) & 0xFFFFFF] = data[kHeader + i];
  return 0;
}

bool VirtualWiimote::CheckedOut() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return checkedOut_;
}

bool VirtualWiimote::Finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return nextStep_ >= scenario_.Steps.size();
}

uint8_t VirtualWiimote::Leds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return leds_;
}

bool VirtualWiimote::Rumble() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rumble_;
}

uint8_t VirtualWiimote::ReportMode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reportMode_;
}

bool VirtualWiimote::ContinuousReporting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return continuous_;
}

bool VirtualWiimote::IrCameraEnabled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return irEnable1_ && irEnable2_;
}

std::vector<std::pair<uint32_t, uint8_t>> VirtualWiimote::ModeChanges() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {modeChanges_.begin(), modeChanges_.end()};
}

std::map<uint32_t, uint8_t> VirtualWiimote::ControlRegisters() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return controlRegisters_;
}

std::vector<std::vector<uint8_t>> VirtualWiimote::OutputReports() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {outputReports_.begin(), outputReports_.end()};
}

std::array<uint8_t, 2> VirtualWiimote::Buttons() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return buttons_;
}

}  // namespace kv::sim
