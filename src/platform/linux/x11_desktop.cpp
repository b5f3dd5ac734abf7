#include "platform/linux/x11_desktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace kv::linux_backend {
namespace {

// RandR 1.5 brought the monitor list.
constexpr int kMonitorsMajor = 1;
constexpr int kMonitorsMinor = 5;

// Pointer coordinates travel as signed 16-bit values in the protocol.
int ClampToProtocol(int32_t value) {
  return std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(),
                             std::numeric_limits<int16_t>::max());
}

}  // namespace

std::unique_ptr<X11Desktop> X11Desktop::Open(std::string& error) {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    error = "DISPLAY is not set";
    return nullptr;
  }
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    error = "cannot open X display \"" + std::string(name) + "\"";
    return nullptr;
  }

  const Window root = DefaultRootWindow(display);
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  const bool haveRandr = XRRQueryExtension(display, &eventBase, &errorBase) &&
                         XRRQueryVersion(display, &major, &minor);
  if (haveRandr) {
    XRRSelectInput(display, root,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
  // Setting or deleting a virtual monitor sends no RandR event, only a ConfigureNotify on the
  // root window; a screen resize sends both.
  XSelectInput(display, root, StructureNotifyMask);
  XFlush(display);

  const bool haveMonitors =
      haveRandr && (major > kMonitorsMajor || (major == kMonitorsMajor && minor >= kMonitorsMinor));
  return std::unique_ptr<X11Desktop>(
      new X11Desktop(display, haveMonitors, haveRandr ? eventBase : -1));
}

X11Desktop::X11Desktop(_XDisplay* display, bool haveMonitors, int randrEventBase)
    : display_(display),
      root_(DefaultRootWindow(display)),
      screen_(DefaultScreen(display)),
      haveMonitors_(haveMonitors),
      randrEventBase_(randrEventBase) {}

X11Desktop::~X11Desktop() { XCloseDisplay(display_); }

void X11Desktop::ProcessPendingEvents() {
  // QueuedAfterReading takes what the socket already holds without flushing or waiting, at the
  // price of a system call. Right after the socket was read (a reply came in, which brings every
  // event sent before it into Xlib's queue) the queue alone is as current: a pointer tick's edge
  // test looks up four points just after its cursor read.
  const auto now = std::chrono::steady_clock::now();
  const bool fresh = now - lastSocketRead_ < kSocketReadFresh;
  if (!fresh) lastSocketRead_ = now;
  while (XEventsQueued(display_, fresh ? QueuedAlready : QueuedAfterReading) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    const bool randrEvent =
        randrEventBase_ >= 0 && (event.type == randrEventBase_ + RRScreenChangeNotify ||
                                 event.type == randrEventBase_ + RRNotify);
    const bool rootConfigured = event.type == ConfigureNotify && event.xconfigure.window == root_;
    if (randrEvent || rootConfigured) {
      // Keeps Xlib's idea of the screen size current for the fallback below.
      XRRUpdateConfiguration(&event);
      layoutStale_ = true;
    }
  }
}

void X11Desktop::ReadLayoutIfStale() {
  if (!layoutStale_) return;
  layoutStale_ = false;
  ++layoutReads_;
  monitors_.clear();
  std::size_t primary = 0;
  if (haveMonitors_) {
    int count = 0;
    ++roundTrips_;
    XRRMonitorInfo* list = XRRGetMonitors(display_, root_, True, &count);
    bool primaryFound = false;
    for (int i = 0; list != nullptr && i < count; ++i) {
      const XRRMonitorInfo& m = list[i];
      if (m.width <= 0 || m.height <= 0) continue;
      if (m.primary && !primaryFound) {
        primaryFound = true;
        primary = monitors_.size();
      }
      monitors_.push_back({m.x, m.y, m.width, m.height});
    }
    if (list != nullptr) XRRFreeMonitors(list);
  }
  if (monitors_.empty()) {
    monitors_.push_back({0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)});
  }
  primary_ = monitors_[primary];
}

Point X11Desktop::HeldOnMonitors(Point point) const {
  Point best = point;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (const Rect& r : monitors_) {
    const int64_t x = std::clamp<int64_t>(point.X, r.X, int64_t{r.X} + r.Width - 1);
    const int64_t y = std::clamp<int64_t>(point.Y, r.Y, int64_t{r.Y} + r.Height - 1);
    const int64_t dx = x - point.X;
    const int64_t dy = y - point.Y;
    // Both differences fit in 33 bits, so the squares cannot overflow.
    const int64_t distance = dx * dx + dy * dy;
    if (distance == 0) return point;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = {static_cast<int32_t>(x), static_cast<int32_t>(y)};
    }
  }
  return best;
}

bool X11Desktop::GetCursorPos(Point& position) {
  Window rootReturn = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int mask = 0;
  ++roundTrips_;
  if (!XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &windowX, &windowY,
                     &mask)) {
    return false;
  }
  // The reply came after every event sent before it: take them without reading again.
  lastSocketRead_ = std::chrono::steady_clock::now();
  ProcessPendingEvents();
  position = {rootX, rootY};
  return true;
}

bool X11Desktop::SetCursorPos(Point position) {
  // The server only keeps the pointer on its screen, which may hold parts no monitor shows.
  ProcessPendingEvents();
  ReadLayoutIfStale();
  position = HeldOnMonitors(position);
  XWarpPointer(display_, None, root_, 0, 0, 0, 0, ClampToProtocol(position.X),
               ClampToProtocol(position.Y));
  XFlush(display_);
  return true;
}

bool X11Desktop::IsOnDisplay(Point point) {
  ProcessPendingEvents();
  ReadLayoutIfStale();
  return std::any_of(monitors_.begin(), monitors_.end(), [point](const Rect& r) {
    return point.X >= r.X && point.Y >= r.Y && int64_t{point.X} < int64_t{r.X} + r.Width &&
           int64_t{point.Y} < int64_t{r.Y} + r.Height;
  });
}

Size X11Desktop::PrimaryDisplaySize() {
  ProcessPendingEvents();
  ReadLayoutIfStale();
  return {primary_.Width, primary_.Height};
}

Point X11Desktop::PrimaryDisplayOrigin() {
  ProcessPendingEvents();
  ReadLayoutIfStale();
  return {primary_.X, primary_.Y};
}

}  // namespace kv::linux_backend
