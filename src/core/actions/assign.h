#pragma once

#include <array>
#include <string>

namespace kv {

// Number of controller buttons and so of button slots.
inline constexpr int kButtonCount = 11;

// Button slots: the index of assignments, button states, config sections and the dialog's list.
enum ButtonSlot : int {
  kSlotUp = 0,
  kSlotDown = 1,
  kSlotRight = 2,
  kSlotLeft = 3,
  kSlotA = 4,
  kSlotB = 5,
  kSlotHome = 6,
  kSlotPlus = 7,
  kSlotMinus = 8,
  kSlotOne = 9,
  kSlotTwo = 10,
};

// One button's assignment: the stored action name and its value text (key combination for
// "Keys", command line for "Execute", empty otherwise).
struct TButtonAssign {
  std::string ActionType;
  std::string ActionValue;
  friend bool operator==(const TButtonAssign&, const TButtonAssign&) = default;
};

using TWiimoteButtonAssign = std::array<TButtonAssign, kButtonCount>;

}  // namespace kv
