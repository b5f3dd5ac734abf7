#pragma once

#include <linux/uinput.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/uinput_device.h"

namespace kv::test {

// What a uinput device was declared with and what it wrote, kept beyond the device's life.
struct UinputRecord {
  std::vector<std::pair<unsigned long, int>> Controls;  // UI_SET_*BIT requests with their value
  std::vector<uinput_abs_setup> Axes;
  uinput_setup Setup{};
  bool Created = false;
  bool Destroyed = false;
  std::vector<input_event> Events;
  // Fails the n-th Control call (0-based); -1 never.
  int FailControlAt = -1;

  bool Declared(unsigned long request, int value) const {
    for (const auto& [r, v] : Controls) {
      if (r == request && v == value) return true;
    }
    return false;
  }
};

// A uinput channel that records into a shared record instead of talking to the kernel.
class RecordingUinputChannel final : public linux_backend::UinputChannel {
 public:
  explicit RecordingUinputChannel(std::shared_ptr<UinputRecord> record)
      : record_(std::move(record)) {}
  ~RecordingUinputChannel() override { record_->Destroyed = true; }

  bool Control(unsigned long request, int value) override {
    if (static_cast<int>(record_->Controls.size()) == record_->FailControlAt) return false;
    record_->Controls.emplace_back(request, value);
    return true;
  }
  bool SetupAxis(const uinput_abs_setup& axis) override {
    record_->Axes.push_back(axis);
    return true;
  }
  bool Setup(const uinput_setup& setup) override {
    record_->Setup = setup;
    return true;
  }
  bool Create() override {
    record_->Created = true;
    return true;
  }
  bool Write(std::span<const input_event> events) override {
    if (!record_->Created || record_->Destroyed) return false;
    record_->Events.insert(record_->Events.end(), events.begin(), events.end());
    return true;
  }
  std::string LastError() const override { return "ioctl(UI_SET_*BIT): refused by the test"; }

 private:
  std::shared_ptr<UinputRecord> record_;
};

// A device of `kind` on a recording channel; the record outlives it.
inline std::unique_ptr<linux_backend::UinputDevice> RecordedDevice(
    linux_backend::UinputKind kind, const std::shared_ptr<UinputRecord>& record) {
  std::string error;
  return linux_backend::UinputDevice::Create(std::make_unique<RecordingUinputChannel>(record), kind,
                                             error);
}

// One event as (type, code, value), for readable comparisons.
struct Ev {
  uint16_t Type;
  uint16_t Code;
  int32_t Value;
  friend bool operator==(const Ev&, const Ev&) = default;
  friend void PrintTo(const Ev& e, std::ostream* os) {
    *os << "{" << e.Type << "," << e.Code << "," << e.Value << "}";
  }
};

inline std::vector<Ev> Simplified(const std::vector<input_event>& events) {
  std::vector<Ev> out;
  for (const input_event& e : events) out.push_back({e.type, e.code, e.value});
  return out;
}

}  // namespace kv::test
