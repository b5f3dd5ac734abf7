#include "platform/sim/sim_desktop.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kv::sim {

SimDesktop::SimDesktop(std::vector<DisplayRect> displays) : displays_(std::move(displays)) {
  cursor_ = HeldOnDesktop(cursor_);
}

bool SimDesktop::GetCursorPos(Point& position) {
  ++getCalls_;
  if (failGet_) return false;
  position = cursor_;
  return true;
}

bool SimDesktop::SetCursorPos(Point position) {
  ++setCalls_;
  if (recordMoves_) moves_.push_back(position);
  if (failSet_) return false;
  cursor_ = HeldOnDesktop(position);
  return true;
}

bool SimDesktop::IsOnDisplay(Point point) {
  ++lookUpCalls_;
  return std::any_of(displays_.begin(), displays_.end(),
                     [point](const DisplayRect& d) { return d.Contains(point); });
}

Size SimDesktop::PrimaryDisplaySize() {
  if (displays_.empty()) return {};
  return {displays_.front().Width, displays_.front().Height};
}

Point SimDesktop::PrimaryDisplayOrigin() {
  if (displays_.empty()) return {};
  return {displays_.front().X, displays_.front().Y};
}

void SimDesktop::SetDisplays(std::vector<DisplayRect> displays) {
  displays_ = std::move(displays);
  cursor_ = HeldOnDesktop(cursor_);
}

void SimDesktop::PlaceCursor(Point position) { cursor_ = HeldOnDesktop(position); }

Point SimDesktop::HeldOnDesktop(Point position) const {
  // The nearest point of the nearest display; the first display wins a tie. Without displays
  // the position stands.
  Point best = position;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (const DisplayRect& d : displays_) {
    if (d.Width <= 0 || d.Height <= 0) continue;
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    const int64_t x =
        std::clamp<int64_t>(position.X, d.X, std::min(kMax, int64_t{d.X} + d.Width - 1));
    const int64_t y =
        std::clamp<int64_t>(position.Y, d.Y, std::min(kMax, int64_t{d.Y} + d.Height - 1));
    const double ddx = static_cast<double>(x - position.X);
    const double ddy = static_cast<double>(y - position.Y);
    const double distance = ddx * ddx + ddy * ddy;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = {static_cast<int32_t>(x), static_cast<int32_t>(y)};
    }
  }
  return best;
}

}  // namespace kv::sim
