#include "platform/sim/recording_input_injector.h"

namespace kv::sim {

namespace {

const char* ButtonName(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return "Left";
    case MouseButton::Right:
      return "Right";
    case MouseButton::Middle:
      return "Middle";
  }
  return "?";
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const InjectedEvent& event) {
  switch (event.What) {
    case InjectedEvent::Kind::Key:
      return out << "Key 0x" << std::hex << int{event.VirtualKey} << std::dec
                 << (event.Down ? " down" : " up");
    case InjectedEvent::Kind::Button:
      return out << ButtonName(event.Button) << (event.Down ? " down" : " up");
    case InjectedEvent::Kind::Wheel:
      return out << "Wheel " << event.Delta;
  }
  return out;
}

}  // namespace kv::sim
