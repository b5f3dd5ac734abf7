#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/port/desktop.h"
#include "platform/linux/uinput_device.h"

namespace kv::linux_backend {

struct DisplayRect {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  friend bool operator==(const DisplayRect&, const DisplayRect&) = default;
};

// The displays of the desktop in its own (logical) pixels, the primary one first.
using DesktopLayout = std::vector<DisplayRect>;
// Gives the current layout; the reference stays valid until the next call. Called several times
// per pointer tick, so it should answer from a cache.
using LayoutSource = std::function<const DesktopLayout&()>;

// The absolute axis value that puts the pointer on pixel `offset` of a desktop `extent` pixels
// wide, when the compositor maps the axis range onto the desktop's bounding box as libinput
// scales it (pixel = value × extent ÷ (kAbsoluteAxisMax + 1)): a value in the middle of those
// whose pixel is `offset`, so the pointer lands on the pixel exactly while extent is at most the
// range, and also under Xorg's libinput driver (which scales twice and ends a hair lower) while
// extent is at most half the range.
int32_t AbsoluteAxisValue(int32_t offset, int32_t extent);

// The point of the layout nearest to `point` (itself when it lies on a display), as compositors
// hold the pointer on the desktop; nullopt for an empty layout.
std::optional<Point> NearestPointOnLayout(const DesktopLayout& layout, Point point);

// The desktop of a Wayland session, where no client can read the pointer: the program places
// the pointer itself with an absolute uinput device spanning the desktop's bounding box and
// keeps the position it set as the cursor position. A real mouse still moves the pointer, but
// the program does not see that; its next move starts from its own position again. Before the
// first move the position is the middle of the primary display.
class UinputDesktop final : public Desktop {
 public:
  // `layout` is asked on every call that needs the displays.
  UinputDesktop(std::unique_ptr<UinputDevice> absolutePointer, LayoutSource layout)
      : pointer_(std::move(absolutePointer)), layout_(std::move(layout)) {}

  // False while the layout is unknown (no displays).
  bool GetCursorPos(Point& position) override;
  // Holds the point on the desktop first; false when the layout is unknown or the write failed.
  bool SetCursorPos(Point position) override;
  bool IsOnDisplay(Point point) override;
  Size PrimaryDisplaySize() override;
  Point PrimaryDisplayOrigin() override;

 private:
  std::unique_ptr<UinputDevice> pointer_;
  LayoutSource layout_;
  std::optional<Point> position_;
};

}  // namespace kv::linux_backend
