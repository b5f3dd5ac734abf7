#include "core/optionform/option_form_logic.h"

#include <algorithm>

#include "core/actions/catalogue.h"
#include "core/optionform/option_form_layout.h"
#include "core/port/option_form_view.h"
#include "core/ui/integer_text.h"

namespace kv {

namespace {

using C = OptionControl;

constexpr std::string_view kCursorModeMotion = "Motion";
constexpr std::string_view kCursorModeIR = "IR";
constexpr std::string_view kOnPushFaster = "Faster";
constexpr std::string_view kOnPushSlower = "Slower";

bool IsModifierKey(uint16_t virtualKey) {
  return virtualKey == kVirtualKeyShift || virtualKey == kVirtualKeyControl ||
         virtualKey == kVirtualKeyAlt;
}

// C0 and C1 control characters and Delete: what a key types that is no visible character.
bool IsControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A track bar holds a value outside its range at the nearer end of the range.
int HeldInRange(int32_t value, OptionControl trackBar) {
  const ControlRange& range = LayoutOf(trackBar).Range;
  return std::clamp(value, range.Min, range.Max);
}

}  // namespace

std::string ModifierText(KeyModifiers held) {
  std::string text;
  if (held.Shift) text += "Shift";
  if (held.Ctrl) text += text.empty() ? "Ctrl" : "+Ctrl";
  if (held.Alt) text += text.empty() ? "Alt" : "+Alt";
  return text;
}

KeyCapture CaptureKey(uint16_t virtualKey, KeyModifiers held, KeyNames& keyNames) {
  if (virtualKey == kVirtualKeyShift) held.Shift = true;
  if (virtualKey == kVirtualKeyControl) held.Ctrl = true;
  if (virtualKey == kVirtualKeyAlt) held.Alt = true;
  if (IsModifierKey(virtualKey)) return {ModifierText(held), 0};

  const auto key = static_cast<uint16_t>(virtualKey & 0xFF);
  uint16_t shortCut = key;
  if (held.Shift) shortCut |= kShortCutShift;
  if (held.Ctrl) shortCut |= kShortCutCtrl;
  if (held.Alt) shortCut |= kShortCutAlt;
  return {ShortCutToText(shortCut, keyNames), key};
}

bool IsAssignableKeyText(std::string_view typed, KeyNames& keyNames) {
  return TextToShortCut(RemoveWindowsKey(typed), keyNames) != 0 || typed == "Win";
}

bool ThresholdKeyPasses(std::u32string_view typed, KeyModifiers held) {
  if (held.Ctrl && !held.Alt) return true;
  return std::ranges::all_of(
      typed, [](char32_t c) { return (c >= U'0' && c <= U'9') || IsControlCharacter(c); });
}

std::string NotAnIntegerText(std::string_view text) {
  return "'" + std::string(text) + "' は整数ではありません";
}

TOptionFormLogic::TOptionFormLogic(OptionFormView& view, TKestrovaneSetting& settings,
                                   TWiimoteButtonAssign& assign, KeyNames& keyNames)
    : view_(view), settings_(settings), assign_(assign), keyNames_(keyNames) {}

void TOptionFormLogic::FormShow() { ShowSettings(); }

void TOptionFormLogic::ShowSettings() {
  view_.SetText(C::MotionSensorThresholdEdit, std::to_string(settings_.SensorThreshold));
  view_.SetChecked(C::InvertHCheckBox, settings_.InvertH);
  view_.SetChecked(C::InvertVCheckBox, settings_.InvertV);
  view_.SetChecked(C::RumbleOnEdgeCheckBox, settings_.RumbleOnEdge);
  view_.SetChecked(C::UseMotionWhenLostIRCheckBox, settings_.UseMotionWhenLostIR);
  view_.SetChecked(C::MinimizeCheckBox, settings_.MinimizeOnStartup);
  view_.SetPosition(C::MotionSpeedFastTrackBar,
                    HeldInRange(settings_.SpeedFast, C::MotionSpeedFastTrackBar));
  view_.SetPosition(C::MotionSpeedSlowTrackBar,
                    HeldInRange(settings_.SpeedSlow, C::MotionSpeedSlowTrackBar));
  // Exact comparisons: any other text leaves both radio buttons as they were.
  if (settings_.CursorMode == kCursorModeMotion) view_.SetChecked(C::CursorRadioButtonMotion, true);
  if (settings_.CursorMode == kCursorModeIR) view_.SetChecked(C::CursorRadioButtonIR, true);
  if (settings_.OnPush == kOnPushFaster) view_.SetChecked(C::SpeedRadioButtonFast, true);
  if (settings_.OnPush == kOnPushSlower) view_.SetChecked(C::SpeedRadioButtonSlow, true);
  view_.SetChecked(C::ReCalibrateCheckBox, settings_.Recalibrate);
  ButtonComboBoxChange();
}

void TOptionFormLogic::ApplyButtonClick() {
  // The threshold comes first: when it does not convert, nothing at all is taken over.
  const std::string thresholdText = view_.Text(C::MotionSensorThresholdEdit);
  const auto threshold = IntegerOfText(thresholdText);
  if (!threshold) {
    view_.ShowError(NotAnIntegerText(thresholdText));
    return;
  }
  settings_.SensorThreshold = *threshold;
  settings_.InvertH = view_.IsChecked(C::InvertHCheckBox);
  settings_.InvertV = view_.IsChecked(C::InvertVCheckBox);
  settings_.RumbleOnEdge = view_.IsChecked(C::RumbleOnEdgeCheckBox);
  settings_.MinimizeOnStartup = view_.IsChecked(C::MinimizeCheckBox);
  settings_.UseMotionWhenLostIR = view_.IsChecked(C::UseMotionWhenLostIRCheckBox);
  settings_.SpeedFast = view_.Position(C::MotionSpeedFastTrackBar);
  settings_.SpeedSlow = view_.Position(C::MotionSpeedSlowTrackBar);
  if (view_.IsChecked(C::SpeedRadioButtonFast)) settings_.OnPush = kOnPushFaster;
  if (view_.IsChecked(C::SpeedRadioButtonSlow)) settings_.OnPush = kOnPushSlower;
  if (view_.IsChecked(C::CursorRadioButtonMotion)) settings_.CursorMode = kCursorModeMotion;
  if (view_.IsChecked(C::CursorRadioButtonIR)) settings_.CursorMode = kCursorModeIR;
  settings_.Recalibrate = view_.IsChecked(C::ReCalibrateCheckBox);
  view_.Close(true);
}

void TOptionFormLogic::CancelButtonClick() { view_.Close(false); }

int TOptionFormLogic::CurrentSlot() const {
  const int slot = view_.SelectedRow(C::ButtonComboBox);
  return slot >= 0 && slot < kButtonCount ? slot : -1;
}

void TOptionFormLogic::ButtonComboBoxClick() { RefreshAssignPanel(); }

void TOptionFormLogic::ButtonComboBoxChange() {
  const int slot = CurrentSlot();
  if (slot >= 0) SelectAssignItem(assign_[slot]);
  RefreshAssignPanel();
}

// Selects the row of the assignment's action; an action outside the catalogue leaves the row.
void TOptionFormLogic::SelectAssignItem(const TButtonAssign& assign) {
  if (const auto row = ActionIndexOfName(assign.ActionType)) {
    view_.SelectRow(C::AssignComboBox, *row);
  }
}

void TOptionFormLogic::RefreshAssignPanel() {
  const int row = view_.SelectedRow(C::AssignComboBox);
  const bool keys = row == kActionRowKeys;
  const bool execute = row == kActionRowExecute;
  view_.SetEnabled(C::KeyAssignGroupBox, keys);
  view_.SetEnabled(C::AssignSetButton, keys);
  view_.SetInputColour(C::KeyAssignEdit2, keys);
  view_.SetEnabled(C::ExecuteGroupBox, execute);
  view_.SetEnabled(C::ExecuteSetButton, execute);
  view_.SetInputColour(C::ExecuteEdit, execute);

  // Text typed but not yet set is dropped here.
  view_.SetText(C::KeyAssignEdit, "");
  view_.SetText(C::KeyAssignEdit2, "");
  view_.SetText(C::ExecuteEdit, "");
  const int slot = CurrentSlot();
  const TButtonAssign* current = slot >= 0 ? &assign_[slot] : nullptr;
  if (keys) {
    view_.SetText(C::KeyAssignEdit, kPressKeysText);
    if (current && current->ActionType == kActionKeys) {
      view_.SetText(C::KeyAssignEdit2, current->ActionValue);
    }
  }
  if (execute && current && current->ActionType == kActionExecute) {
    view_.SetText(C::ExecuteEdit, current->ActionValue);
  }
}

// A picked action other than "Keys" is stored at once with an empty value; "Keys" waits for Set.
void TOptionFormLogic::AssignComboBoxChange() {
  RefreshAssignPanel();
  const int row = view_.SelectedRow(C::AssignComboBox);
  const int slot = CurrentSlot();
  const auto name = ActionNameOfIndex(row);
  if (row > kActionRowKeys && name && slot >= 0) StoreAssign(slot, *name, {});
}

void TOptionFormLogic::KeyAssignEditKeyDown(uint16_t virtualKey, KeyModifiers held) {
  KeyCapture capture = CaptureKey(virtualKey, held, keyNames_);
  view_.SetText(C::KeyAssignEdit, capture.Text);
  capturedKey_ = capture.CapturedKey;
  view_.MoveCaretToEnd(C::KeyAssignEdit);
}

// Releasing after modifier keys alone empties both edits; otherwise the combination moves down.
void TOptionFormLogic::KeyAssignEditKeyUp() {
  if (capturedKey_ == 0) view_.SetText(C::KeyAssignEdit, "");
  view_.SetText(C::KeyAssignEdit2, view_.Text(C::KeyAssignEdit));
}

// The text is stored as typed, "Win" parts and letter case included.
void TOptionFormLogic::AssignSetButtonClick() {
  std::string typed = view_.Text(C::KeyAssignEdit2);
  if (!IsAssignableKeyText(typed, keyNames_)) {
    view_.ShowMessage(kInvalidKeysText);
    return;
  }
  if (const int slot = CurrentSlot(); slot >= 0) StoreAssign(slot, kActionKeys, std::move(typed));
}

void TOptionFormLogic::ExecuteReferButtonClick() {
  const std::string path = view_.ChooseFile();
  if (!path.empty()) view_.SetText(C::ExecuteEdit, path);
}

// The command line is stored without any check; an empty one too.
void TOptionFormLogic::ExecuteSetButtonClick() {
  if (const int slot = CurrentSlot(); slot >= 0) {
    StoreAssign(slot, kActionExecute, view_.Text(C::ExecuteEdit));
  }
}

void TOptionFormLogic::StoreAssign(int slot, std::string_view actionType, std::string actionValue) {
  assign_[slot].ActionType = std::string(actionType);
  assign_[slot].ActionValue = std::move(actionValue);
}

}  // namespace kv
