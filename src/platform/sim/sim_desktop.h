#pragma once

#include <cstdint>
#include <vector>

#include "core/port/desktop.h"

namespace kv::sim {

// One display of the simulated desktop, in desktop pixels.
struct DisplayRect {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  bool Contains(Point point) const {
    return point.X >= X && point.Y >= Y && int64_t{point.X} < int64_t{X} + Width &&
           int64_t{point.Y} < int64_t{Y} + Height;
  }
};

// A desktop of display rectangles, the first one primary. Moves are held on the desktop like the
// system does it: the cursor lands on the nearest point of some display. Records the moves asked
// for, counts the calls, and can be told to fail.
class SimDesktop final : public Desktop {
 public:
  explicit SimDesktop(std::vector<DisplayRect> displays = {{0, 0, 1920, 1080}});

  bool GetCursorPos(Point& position) override;
  bool SetCursorPos(Point position) override;
  bool IsOnDisplay(Point point) override;
  Size PrimaryDisplaySize() override;
  Point PrimaryDisplayOrigin() override;

  // Replaces the layout; the cursor is pulled onto it.
  void SetDisplays(std::vector<DisplayRect> displays);
  const std::vector<DisplayRect>& Displays() const { return displays_; }

  // Puts the cursor somewhere directly (as the user's own mouse would), held on the desktop.
  void PlaceCursor(Point position);
  Point Cursor() const { return cursor_; }

  // The positions passed to SetCursorPos, in order (before holding them on the desktop).
  const std::vector<Point>& Moves() const { return moves_; }
  void ClearMoves() { moves_.clear(); }
  // Recording allocates; benchmarks switch it off.
  void SetRecordMoves(bool record) { recordMoves_ = record; }

  // Failure injection: reads or moves fail (and do nothing) while set.
  void SetFailGetCursorPos(bool fail) { failGet_ = fail; }
  void SetFailSetCursorPos(bool fail) { failSet_ = fail; }

  uint64_t GetCursorPosCalls() const { return getCalls_; }
  uint64_t SetCursorPosCalls() const { return setCalls_; }
  uint64_t IsOnDisplayCalls() const { return lookUpCalls_; }

 private:
  Point HeldOnDesktop(Point position) const;

  std::vector<DisplayRect> displays_;
  Point cursor_;
  std::vector<Point> moves_;
  bool recordMoves_ = true;
  bool failGet_ = false;
  bool failSet_ = false;
  uint64_t getCalls_ = 0;
  uint64_t setCalls_ = 0;
  uint64_t lookUpCalls_ = 0;
};

}  // namespace kv::sim
