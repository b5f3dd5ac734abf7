#include "platform/linux/uinput_desktop.h"

#include <algorithm>
#include <limits>

namespace kv::linux_backend {
namespace {

constexpr int64_t kAxisSteps = int64_t{kAbsoluteAxisMax} + 1;

bool Contains(const DisplayRect& r, Point p) {
  return p.X >= r.X && p.Y >= r.Y && int64_t{p.X} < int64_t{r.X} + r.Width &&
         int64_t{p.Y} < int64_t{r.Y} + r.Height;
}

bool HasArea(const DisplayRect& r) { return r.Width > 0 && r.Height > 0; }

DisplayRect BoundingBox(const DesktopLayout& layout) {
  int64_t left = std::numeric_limits<int32_t>::max(), top = left;
  int64_t right = std::numeric_limits<int32_t>::min(), bottom = right;
  for (const DisplayRect& r : layout) {
    if (!HasArea(r)) continue;
    left = std::min<int64_t>(left, r.X);
    top = std::min<int64_t>(top, r.Y);
    right = std::max(right, int64_t{r.X} + r.Width);
    bottom = std::max(bottom, int64_t{r.Y} + r.Height);
  }
  if (left > right) return {};
  return {
      static_cast<int32_t>(left), static_cast<int32_t>(top),
      static_cast<int32_t>(std::min<int64_t>(right - left, std::numeric_limits<int32_t>::max())),
      static_cast<int32_t>(std::min<int64_t>(bottom - top, std::numeric_limits<int32_t>::max()))};
}

}  // namespace

int32_t AbsoluteAxisValue(int32_t offset, int32_t extent) {
  if (extent <= 0 || offset <= 0) return 0;
  // The values whose pixel (the integer part of value × extent ÷ steps) is `offset` run from
  // `first` to `last`. The first one lies on the pixel's left edge, which Xorg's libinput driver
  // misses: it rescales the value onto 0..65535 and that onto the screen, (value × 65535 ÷ steps)
  // × extent ÷ 65536, a hair less, and the server keeps the integer part. The upper middle of the
  // run lies at least one value inside the pixel whenever the run holds two or more (extent up to
  // half the steps), which that shortfall (under a value) never crosses.
  const int64_t first = (int64_t{offset} * kAxisSteps + extent - 1) / extent;
  const int64_t last = ((int64_t{offset} + 1) * kAxisSteps + extent - 1) / extent - 1;
  const int64_t value = (first + std::max(first, last) + 1) / 2;
  return static_cast<int32_t>(std::min<int64_t>(value, kAbsoluteAxisMax));
}

std::optional<Point> NearestPointOnLayout(const DesktopLayout& layout, Point point) {
  std::optional<Point> best;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (const DisplayRect& r : layout) {
    if (!HasArea(r)) continue;
    const Point p{std::clamp(point.X, r.X, static_cast<int32_t>(int64_t{r.X} + r.Width - 1)),
                  std::clamp(point.Y, r.Y, static_cast<int32_t>(int64_t{r.Y} + r.Height - 1))};
    const int64_t dx = int64_t{p.X} - point.X;
    const int64_t dy = int64_t{p.Y} - point.Y;
    const int64_t distance = dx * dx + dy * dy;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = p;
    }
  }
  return best;
}

bool UinputDesktop::GetCursorPos(Point& position) {
  if (!position_) {
    const DesktopLayout& layout = layout_();
    if (layout.empty() || !HasArea(layout.front())) return false;
    const DisplayRect& primary = layout.front();
    position_ = Point{primary.X + primary.Width / 2, primary.Y + primary.Height / 2};
  }
  position = *position_;
  return true;
}

bool UinputDesktop::SetCursorPos(Point position) {
  const DesktopLayout& layout = layout_();
  const std::optional<Point> onDesktop = NearestPointOnLayout(layout, position);
  if (!onDesktop) return false;
  const DisplayRect box = BoundingBox(layout);
  if (!pointer_->MoveTo(AbsoluteAxisValue(onDesktop->X - box.X, box.Width),
                        AbsoluteAxisValue(onDesktop->Y - box.Y, box.Height))) {
    return false;
  }
  position_ = onDesktop;
  return true;
}

bool UinputDesktop::IsOnDisplay(Point point) {
  const DesktopLayout& layout = layout_();
  return std::any_of(layout.begin(), layout.end(),
                     [point](const DisplayRect& r) { return Contains(r, point); });
}

Size UinputDesktop::PrimaryDisplaySize() {
  const DesktopLayout& layout = layout_();
  if (layout.empty() || !HasArea(layout.front())) return {};
  return {layout.front().Width, layout.front().Height};
}

Point UinputDesktop::PrimaryDisplayOrigin() {
  const DesktopLayout& layout = layout_();
  if (layout.empty() || !HasArea(layout.front())) return {};
  return {layout.front().X, layout.front().Y};
}

}  // namespace kv::linux_backend
