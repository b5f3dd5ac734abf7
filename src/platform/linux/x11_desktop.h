#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/port/desktop.h"

struct _XDisplay;

namespace kv::linux_backend {

// The desktop of an X server: the pointer of the default screen's root window, and the monitor
// layout of RandR. The layout is cached and read again only after the server announced a
// change, so the pointer tick's display look-ups cost no round trip; a cursor read costs one,
// a move none (the request is flushed, not waited for). Single-threaded: use it on one thread.
class X11Desktop final : public Desktop {
 public:
  // Connects to the display named by DISPLAY. Returns null and sets `error` to a message naming
  // the display ("DISPLAY is not set", "cannot open X display \":1\"") when that fails.
  static std::unique_ptr<X11Desktop> Open(std::string& error);

  X11Desktop(const X11Desktop&) = delete;
  X11Desktop& operator=(const X11Desktop&) = delete;
  ~X11Desktop() override;

  // False when the pointer is on another screen of the server.
  bool GetCursorPos(Point& position) override;
  // Held on the monitors as a desktop keeps its cursor: a point that no monitor shows (a corner
  // beside a shorter monitor, beyond the screen) becomes the nearest point of the nearest
  // monitor. Returns false only when the request could not be queued.
  bool SetCursorPos(Point position) override;
  // From the cached monitor list; without monitors, the whole screen counts as one display.
  bool IsOnDisplay(Point point) override;
  // The primary monitor, else the first monitor, else the screen.
  Size PrimaryDisplaySize() override;
  // Of the same monitor as PrimaryDisplaySize.
  Point PrimaryDisplayOrigin() override;

  // Requests that waited for a reply from the server so far (cursor reads, monitor reads).
  uint64_t RoundTrips() const { return roundTrips_; }
  // How often the monitor layout was read.
  uint64_t LayoutReads() const { return layoutReads_; }

 private:
  struct Rect {
    int32_t X, Y, Width, Height;
  };

  X11Desktop(_XDisplay* display, bool haveMonitors, int randrEventBase);
  // Takes every event already received without waiting; layout changes mark the cache stale.
  void ProcessPendingEvents();
  void ReadLayoutIfStale();
  // `point` itself when a monitor shows it, else the nearest point that one does.
  Point HeldOnMonitors(Point point) const;

  _XDisplay* display_;
  unsigned long root_;
  int screen_;
  bool haveMonitors_;
  int randrEventBase_;
  bool layoutStale_ = true;
  std::vector<Rect> monitors_;
  Rect primary_{};
  uint64_t roundTrips_ = 0;
  uint64_t layoutReads_ = 0;
  // When the socket was last read for events or a reply; see ProcessPendingEvents.
  static constexpr std::chrono::milliseconds kSocketReadFresh{2};
  std::chrono::steady_clock::time_point lastSocketRead_{};
};

}  // namespace kv::linux_backend
