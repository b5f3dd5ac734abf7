#include "support/raw_input_recorder.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>

#include "platform/linux/x11_input_injector.h"

namespace kv::test {

std::ostream& operator<<(std::ostream& out, const RawInput& raw) {
  return out << (raw.Key ? "key " : "button ") << raw.Detail << (raw.Down ? " down" : " up");
}

RawInputRecorder::~RawInputRecorder() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

bool RawInputRecorder::Open() {
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) return false;
  int event = 0, error = 0;
  if (!XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error)) return false;
  int major = 2, minor = 2;
  if (XIQueryVersion(display_, &major, &minor) != Success) return false;
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawKeyRelease);
  XISetMask(bits, XI_RawButtonPress);
  XISetMask(bits, XI_RawButtonRelease);
  XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
  XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
  XSync(display_, False);
  return true;
}

int RawInputRecorder::KeyCodeOf(uint8_t virtualKey) {
  return XKeysymToKeycode(display_, linux_backend::KeySymOfVirtualKey(virtualKey));
}

std::vector<RawInput> RawInputRecorder::CollectUntil(const RawInput& end,
                                                     std::chrono::milliseconds timeout,
                                                     bool& arrived) {
  arrived = false;
  std::vector<RawInput> events;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (XPending(display_) == 0) {
      pollfd pfd{ConnectionNumber(display_), POLLIN, 0};
      poll(&pfd, 1, 50);
      continue;
    }
    XEvent event;
    XNextEvent(display_, &event);
    const RawInput raw = Decode(event);
    if (raw.Detail == 0) continue;
    if (raw == end) {
      arrived = true;
      return events;
    }
    events.push_back(raw);
  }
  return events;
}

RawInput RawInputRecorder::Decode(XEvent& event) {
  RawInput raw{true, true, 0};
  XGenericEventCookie* cookie = &event.xcookie;
  if (cookie->type != GenericEvent || cookie->extension != opcode_ ||
      !XGetEventData(display_, cookie)) {
    return raw;
  }
  const auto* data = static_cast<const XIRawEvent*>(cookie->data);
  raw.Key = cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease;
  raw.Down = cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawButtonPress;
  raw.Detail = data->detail;
  XFreeEventData(display_, cookie);
  return raw;
}

}  // namespace kv::test
