#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/port/input_injector.h"

struct _XDisplay;

namespace kv::linux_backend {

// Synthetic input through the X server's XTest extension, on a connection of its own. Keys are
// looked up in the server's keyboard map at each event, so a layout change is followed; a key
// whose symbol the map lacks is dropped. Every call is flushed to the server at once.
class X11InputInjector final : public InputInjector {
 public:
  // Connects to `displayName` (empty: $DISPLAY). Returns null, with `error` naming the failing
  // call, when the display cannot be opened or has no XTest extension.
  static std::unique_ptr<X11InputInjector> Open(const std::string& displayName, std::string& error);
  ~X11InputInjector() override;
  X11InputInjector(const X11InputInjector&) = delete;
  X11InputInjector& operator=(const X11InputInjector&) = delete;

  void KeyEvent(uint8_t virtualKey, bool down) override;
  void MouseButtonEvent(MouseButton button, bool down) override;
  // One press and release of button 4 (positive delta) or 5 per whole notch of 120.
  void MouseWheel(int32_t delta) override;

 private:
  explicit X11InputInjector(_XDisplay* display) : display_(display) {}
  void FollowKeyboardMapping();

  _XDisplay* display_;
};

// The X key symbol a virtual-key code stands for; 0 for codes without one.
unsigned long KeySymOfVirtualKey(uint8_t virtualKey);

}  // namespace kv::linux_backend
