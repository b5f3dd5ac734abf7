#include "platform/linux/uinput_device.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/linux/evdev_keys.h"

namespace kv::linux_backend {
namespace {

// Devices are told apart by name; the ids only have to be stable and not pose as real hardware.
constexpr uint16_t kVendor = 0x4B56;
constexpr std::array<uint16_t, 3> kPointerButtons = {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE};

class FdUinputChannel final : public UinputChannel {
 public:
  explicit FdUinputChannel(int fd) : fd_(fd) {}
  ~FdUinputChannel() override {
    if (created_) ioctl(fd_, UI_DEV_DESTROY);
    close(fd_);
  }
  bool Control(unsigned long request, int value) override {
    return Check(ioctl(fd_, request, value), "ioctl(UI_SET_*BIT)");
  }
  bool SetupAxis(const uinput_abs_setup& axis) override {
    return Check(ioctl(fd_, UI_ABS_SETUP, &axis), "ioctl(UI_ABS_SETUP)");
  }
  bool Setup(const uinput_setup& setup) override {
    return Check(ioctl(fd_, UI_DEV_SETUP, &setup), "ioctl(UI_DEV_SETUP)");
  }
  bool Create() override {
    created_ = Check(ioctl(fd_, UI_DEV_CREATE), "ioctl(UI_DEV_CREATE)");
    return created_;
  }
  bool Write(std::span<const input_event> events) override {
    const std::size_t bytes = events.size_bytes();
    const ssize_t written = write(fd_, events.data(), bytes);
    if (written < 0) return Check(-1, "write(/dev/uinput)");
    if (static_cast<std::size_t>(written) != bytes) {
      error_ = "write(/dev/uinput): short write";
      return false;
    }
    return true;
  }
  std::string LastError() const override { return error_; }

 private:
  bool Check(int result, const char* call) {
    if (result >= 0) return true;
    error_ = std::string(call) + ": " + std::strerror(errno);
    return false;
  }

  int fd_;
  bool created_ = false;
  std::string error_;
};

input_event Event(uint16_t type, uint16_t code, int32_t value) {
  input_event event{};
  event.type = type;
  event.code = code;
  event.value = value;
  return event;
}

bool DeclareKeys(UinputChannel& channel, std::span<const uint16_t> codes) {
  if (!channel.Control(UI_SET_EVBIT, EV_KEY)) return false;
  return std::all_of(codes.begin(), codes.end(),
                     [&channel](uint16_t code) { return channel.Control(UI_SET_KEYBIT, code); });
}

bool DeclareRelative(UinputChannel& channel) {
  return channel.Control(UI_SET_EVBIT, EV_REL) && channel.Control(UI_SET_RELBIT, REL_X) &&
         channel.Control(UI_SET_RELBIT, REL_Y) && channel.Control(UI_SET_RELBIT, REL_WHEEL) &&
         channel.Control(UI_SET_PROPBIT, INPUT_PROP_POINTER);
}

bool DeclareAbsolute(UinputChannel& channel) {
  if (!channel.Control(UI_SET_EVBIT, EV_ABS) || !channel.Control(UI_SET_ABSBIT, ABS_X) ||
      !channel.Control(UI_SET_ABSBIT, ABS_Y) ||
      !channel.Control(UI_SET_PROPBIT, INPUT_PROP_POINTER)) {
    return false;
  }
  for (uint16_t axis : {ABS_X, ABS_Y}) {
    uinput_abs_setup setup{};
    setup.code = axis;
    setup.absinfo.minimum = 0;
    setup.absinfo.maximum = kAbsoluteAxisMax;
    if (!channel.SetupAxis(setup)) return false;
  }
  return true;
}

bool Declare(UinputChannel& channel, UinputKind kind) {
  switch (kind) {
    case UinputKind::Keyboard:
      return DeclareKeys(channel, EvdevKeysOfTable());
    case UinputKind::RelativePointer:
      return DeclareKeys(channel, kPointerButtons) && DeclareRelative(channel);
    case UinputKind::AbsolutePointer:
      // udev counts absolute axes as a mouse only together with a left button.
      return DeclareKeys(channel, kPointerButtons) && DeclareAbsolute(channel);
  }
  return false;
}

}  // namespace

const char* UinputDeviceName(UinputKind kind) {
  switch (kind) {
    case UinputKind::Keyboard:
      return "Kestrovane keyboard";
    case UinputKind::RelativePointer:
      return "Kestrovane pointer";
    case UinputKind::AbsolutePointer:
      return "Kestrovane absolute pointer";
  }
  return "Kestrovane";
}

std::unique_ptr<UinputChannel> OpenUinputChannel(std::string& error, int& errorNumber,
                                                 const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    errorNumber = errno;
    error = "open(" + path + "): " + std::strerror(errorNumber);
    return nullptr;
  }
  errorNumber = 0;
  return std::make_unique<FdUinputChannel>(fd);
}

std::unique_ptr<UinputDevice> UinputDevice::Create(std::unique_ptr<UinputChannel> channel,
                                                   UinputKind kind, std::string& error) {
  uinput_setup setup{};
  setup.id.bustype = BUS_VIRTUAL;
  setup.id.vendor = kVendor;
  setup.id.product = static_cast<uint16_t>(static_cast<int>(kind) + 1);
  setup.id.version = 1;
  std::strncpy(setup.name, UinputDeviceName(kind), UINPUT_MAX_NAME_SIZE - 1);
  if (!Declare(*channel, kind) || !channel->Setup(setup) || !channel->Create()) {
    error = channel->LastError();
    return nullptr;
  }
  return std::unique_ptr<UinputDevice>(new UinputDevice(std::move(channel), kind));
}

UinputDevice::~UinputDevice() { ReleaseAll(); }

bool UinputDevice::Declares(uint16_t code) const {
  if (kind_ != UinputKind::Keyboard) {
    return std::find(kPointerButtons.begin(), kPointerButtons.end(), code) != kPointerButtons.end();
  }
  const std::span<const uint16_t> keys = EvdevKeysOfTable();
  return std::binary_search(keys.begin(), keys.end(), code);
}

bool UinputDevice::Send(std::span<const input_event> events) { return channel_->Write(events); }

bool UinputDevice::Key(uint16_t code, bool down) {
  if (!Declares(code)) return false;
  const auto held = std::find(held_.begin(), held_.end(), code);
  if ((held != held_.end()) == down) return true;
  const std::array<input_event, 2> events = {Event(EV_KEY, code, down ? 1 : 0),
                                             Event(EV_SYN, SYN_REPORT, 0)};
  if (!Send(events)) return false;
  if (down) {
    held_.push_back(code);
  } else {
    held_.erase(held);
  }
  return true;
}

bool UinputDevice::Wheel(int32_t notches) {
  if (kind_ != UinputKind::RelativePointer) return false;
  if (notches == 0) return true;
  const std::array<input_event, 2> events = {Event(EV_REL, REL_WHEEL, notches),
                                             Event(EV_SYN, SYN_REPORT, 0)};
  return Send(events);
}

bool UinputDevice::MoveBy(int32_t dx, int32_t dy) {
  if (kind_ != UinputKind::RelativePointer) return false;
  std::vector<input_event> events;
  if (dx != 0) events.push_back(Event(EV_REL, REL_X, dx));
  if (dy != 0) events.push_back(Event(EV_REL, REL_Y, dy));
  if (events.empty()) return true;
  events.push_back(Event(EV_SYN, SYN_REPORT, 0));
  return Send(events);
}

bool UinputDevice::MoveTo(int32_t x, int32_t y) {
  if (kind_ != UinputKind::AbsolutePointer) return false;
  x = std::clamp(x, 0, kAbsoluteAxisMax);
  y = std::clamp(y, 0, kAbsoluteAxisMax);
  std::array<input_event, 3> events{};
  std::size_t n = 0;
  if (x != lastX_) events[n++] = Event(EV_ABS, ABS_X, x);
  if (y != lastY_) events[n++] = Event(EV_ABS, ABS_Y, y);
  if (n == 0) return true;
  events[n++] = Event(EV_SYN, SYN_REPORT, 0);
  if (!Send(std::span(events.data(), n))) return false;
  lastX_ = x;
  lastY_ = y;
  return true;
}

void UinputDevice::ReleaseAll() {
  // A release that cannot be written leaves its code held; stop rather than loop on it.
  while (!held_.empty()) {
    if (!Key(held_.back(), false)) break;
  }
}

}  // namespace kv::linux_backend
