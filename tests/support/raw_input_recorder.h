#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

struct _XDisplay;
union _XEvent;

namespace kv::test {

// What the X server delivered: a key (by keycode) or a button (by number) going down or up.
struct RawInput {
  bool Key = true;
  bool Down = true;
  int Detail = 0;
  friend bool operator==(const RawInput&, const RawInput&) = default;
};

std::ostream& operator<<(std::ostream& out, const RawInput& raw);

// An X client on the display named by DISPLAY that records the raw input events of the master
// devices. Raw events reach the root window without focus or grabs, and synthetic events
// produce them like real ones do, whichever client sent them.
class RawInputRecorder {
 public:
  RawInputRecorder() = default;
  RawInputRecorder(const RawInputRecorder&) = delete;
  RawInputRecorder& operator=(const RawInputRecorder&) = delete;
  ~RawInputRecorder();

  // Connects and selects the raw key and button events. False when the display or its input
  // extension (version 2.2) is not there.
  bool Open();

  // The keycode of the server's keyboard mapping for a virtual-key code; 0 when it has none.
  int KeyCodeOf(uint8_t virtualKey);
  RawInput KeyOf(uint8_t virtualKey, bool down) { return {true, down, KeyCodeOf(virtualKey)}; }
  static RawInput ButtonOf(int number, bool down) { return {false, down, number}; }

  // Collects events until `end` arrives (not included) or `timeout` passes; `arrived` tells
  // which. Events of one client reach the server in the order they were sent.
  std::vector<RawInput> CollectUntil(const RawInput& end, std::chrono::milliseconds timeout,
                                     bool& arrived);

 private:
  RawInput Decode(_XEvent& event);

  _XDisplay* display_ = nullptr;
  int opcode_ = 0;
};

}  // namespace kv::test
