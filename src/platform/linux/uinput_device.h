#pragma once

#include <linux/uinput.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kv::linux_backend {

// The calls a uinput device is made and driven with, one device per channel. The real channel
// is an open /dev/uinput; tests record the calls instead. Every call returns false on failure,
// and LastError then names the failing call and the system's reason.
class UinputChannel {
 public:
  virtual ~UinputChannel() = default;
  // An ioctl with an integer argument: UI_SET_EVBIT, UI_SET_KEYBIT, UI_SET_RELBIT,
  // UI_SET_ABSBIT, UI_SET_PROPBIT.
  virtual bool Control(unsigned long request, int value) = 0;
  virtual bool SetupAxis(const uinput_abs_setup& axis) = 0;
  virtual bool Setup(const uinput_setup& setup) = 0;
  // Makes the device appear; it goes away when the channel is destroyed.
  virtual bool Create() = 0;
  // Writes the events in one call, so that a report and its SYN_REPORT travel together.
  virtual bool Write(std::span<const input_event> events) = 0;
  virtual std::string LastError() const = 0;
};

// Opens /dev/uinput (or `path`) for one device. Returns null with `error` naming the call and
// the reason ("open(/dev/uinput): Permission denied"); `errorNumber` keeps the errno.
std::unique_ptr<UinputChannel> OpenUinputChannel(std::string& error, int& errorNumber,
                                                 const std::string& path = "/dev/uinput");

enum class UinputKind {
  Keyboard,         // every key of the virtual-key table
  RelativePointer,  // REL_X/REL_Y motion, the three buttons, the wheel
  AbsolutePointer,  // ABS_X/ABS_Y over the whole desktop; buttons only so that it counts as a mouse
};

// The full scale of the absolute pointer's axes: values 0..kAbsoluteAxisMax span the desktop.
inline constexpr int32_t kAbsoluteAxisMax = 32767;

// One virtual input device. Keys and buttons it holds down are released when it is destroyed,
// before the device goes away, so nothing stays pressed after the program ends.
class UinputDevice {
 public:
  // Declares the device's events and creates it. Returns null with `error` set on failure.
  static std::unique_ptr<UinputDevice> Create(std::unique_ptr<UinputChannel> channel,
                                              UinputKind kind, std::string& error);
  ~UinputDevice();
  UinputDevice(const UinputDevice&) = delete;
  UinputDevice& operator=(const UinputDevice&) = delete;

  // Presses or releases a key or button code the device declared; other codes are refused.
  // A release of a code that is not held, or a press of one that is, sends nothing.
  bool Key(uint16_t code, bool down);
  // Turns the wheel by whole notches, positive away from the user.
  bool Wheel(int32_t notches);
  // Moves by a relative amount (relative pointer only).
  bool MoveBy(int32_t dx, int32_t dy);
  // Moves to absolute axis values 0..kAbsoluteAxisMax (absolute pointer only). The kernel drops
  // a value that repeats the last one, so only the axes that change are sent.
  bool MoveTo(int32_t x, int32_t y);
  // Releases every held key and button, the last pressed first.
  void ReleaseAll();

  // The held keys and buttons in the order they were pressed.
  const std::vector<uint16_t>& Held() const { return held_; }
  UinputKind Kind() const { return kind_; }

 private:
  UinputDevice(std::unique_ptr<UinputChannel> channel, UinputKind kind)
      : channel_(std::move(channel)), kind_(kind) {}
  bool Declares(uint16_t code) const;
  bool Send(std::span<const input_event> events);

  std::unique_ptr<UinputChannel> channel_;
  UinputKind kind_;
  std::vector<uint16_t> held_;
  int32_t lastX_ = -1;
  int32_t lastY_ = -1;
};

// The name the device of each kind carries, as shown by libinput and in /proc/bus/input/devices.
const char* UinputDeviceName(UinputKind kind);

}  // namespace kv::linux_backend
