#pragma once

// The preferences dialog as data: its size, font and caption, its controls with their places,
// captions and creation state, and the order Tab takes through them. The front ends build the
// dialog from these tables; the dialog's logic names the controls by `OptionControl`.

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/ui/control_layout.h"

namespace kv {

inline constexpr std::string_view kOptionFormCaption = "Preference";
inline constexpr DisplaySize kOptionClientSize{449, 372};
inline constexpr FontLayout kOptionFormFont{"MS Sans Serif", 11};

enum class OptionControl : int8_t {
  Window = -1,
  ApplyButton,
  CancelButton,
  GroupBox2,
  GroupBox4,
  CursorRadioButtonMotion,
  CursorRadioButtonIR,
  UseMotionWhenLostIRCheckBox,
  RumbleOnEdgeCheckBox,
  MinimizeCheckBox,
  GroupBox1,
  Label1,
  MotionSensorThresholdEdit,
  UpDown1,
  InvertHCheckBox,
  InvertVCheckBox,
  GroupBox6,
  Label4,
  MotionSpeedFastTrackBar,
  Label5,
  MotionSpeedSlowTrackBar,
  GroupBox3,
  SpeedRadioButtonSlow,
  SpeedRadioButtonFast,
  ReCalibrateCheckBox,
  ButtonAssignGroupBox,
  Label2,
  ButtonComboBox,
  Label3,
  AssignComboBox,
  KeyAssignGroupBox,
  KeyAssignEdit,
  KeyAssignEdit2,
  AssignSetButton,
  Label6,
  ExecuteGroupBox,
  ExecuteEdit,
  ExecuteReferButton,
  ExecuteSetButton,
};
inline constexpr std::size_t kOptionControlCount = 38;

// Every control in creation order, indexed by `OptionControl`. The two drop-down lists are filled
// from the catalogue: `ButtonComboBox` with the slot names (row 0 selected at creation),
// `AssignComboBox` with the action list texts (no row selected).
extern const std::array<ControlLayout<OptionControl>, kOptionControlCount> kOptionFormControls;

inline const ControlLayout<OptionControl>& LayoutOf(OptionControl control) {
  return kOptionFormControls[static_cast<std::size_t>(control)];
}

inline constexpr int kButtonComboBoxInitialRow = 0;
inline constexpr int kAssignComboBoxInitialRow = -1;
// A drop-down list opens this many rows high.
inline constexpr int kDropDownRows = 8;

// The order Tab takes: the form's direct children Apply, Cancel, "Motion Sensor", "General",
// "Button Assign", and inside each box its controls in their on-screen order. Group boxes and
// labels take no focus and are left out. The two key edits are no tab stops (Tab passes them by)
// but keep their place in the chain, so Tab from a clicked key edit goes on from there.
inline constexpr std::size_t kOptionTabOrderLength = 23;
extern const std::array<OptionControl, kOptionTabOrderLength> kOptionFormTabOrder;

// The texts the dialog shows in the key-capture edit and in its message boxes.
inline constexpr std::string_view kPressKeysText = "Press keys here";
inline constexpr std::string_view kInvalidKeysText = "Invalid keys";

}  // namespace kv
