#include "core/optionform/option_form_logic.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/actions/catalogue.h"
#include "core/optionform/fake_option_form_view.h"
#include "platform/sim/us_key_names.h"

namespace kv {
namespace {

using C = OptionControl;
using Strings = std::vector<std::string>;

TKestrovaneSetting DefaultSettings() {
  TKestrovaneSetting settings{.CursorMode = "Motion", .SensorThreshold = 2, .OnPush = "Slower"};
  settings.RumbleOnEdge = true;
  settings.SpeedFast = 5;
  settings.SpeedSlow = 3;
  return settings;
}

constexpr KeyModifiers kNone{};
constexpr KeyModifiers kShift{.Shift = true};
constexpr KeyModifiers kCtrl{.Ctrl = true};
constexpr KeyModifiers kAlt{.Alt = true};
constexpr KeyModifiers kCtrlShift{.Shift = true, .Ctrl = true};
constexpr KeyModifiers kAll{.Shift = true, .Ctrl = true, .Alt = true};

class OptionFormLogicTest : public testing::Test {
 protected:
  std::string Text(C edit) const { return view_.Text(edit); }
  bool Checked(C button) const { return view_.IsChecked(button); }
  bool Enabled(C control) { return view_.At(control).Enabled; }
  int ActionRow() const { return view_.SelectedRow(C::AssignComboBox); }

  // What a front end forwards when the user picks a row.
  void PickSlot(int slot) {
    view_.SelectRow(C::ButtonComboBox, slot);
    logic_.ButtonComboBoxClick();
    logic_.ButtonComboBoxChange();
  }
  void PickAction(int row) {
    view_.SelectRow(C::AssignComboBox, row);
    logic_.AssignComboBoxChange();
  }
  void PressAndRelease(uint16_t key, KeyModifiers held) {
    logic_.KeyAssignEditKeyDown(key, held);
    logic_.KeyAssignEditKeyUp();
  }

  sim::UsKeyNames keyNames_;
  TWiimoteButtonAssign assign_ = DefaultButtonAssign();
  TKestrovaneSetting settings_ = DefaultSettings();
  test::FakeOptionFormView view_;
  TOptionFormLogic logic_{view_, settings_, assign_, keyNames_};
};

TEST_F(OptionFormLogicTest, ShowingTheDefaults) {
  EXPECT_EQ(Text(C::MotionSensorThresholdEdit), "0");  // the creation state, before any showing
  EXPECT_EQ(ActionRow(), -1);
  logic_.FormShow();
  EXPECT_EQ(Text(C::MotionSensorThresholdEdit), "2");
  EXPECT_TRUE(Checked(C::RumbleOnEdgeCheckBox));
  EXPECT_FALSE(Checked(C::InvertHCheckBox) || Checked(C::MinimizeCheckBox));
  EXPECT_TRUE(Checked(C::CursorRadioButtonMotion) && Checked(C::SpeedRadioButtonSlow));
  EXPECT_EQ(std::pair(view_.Position(C::MotionSpeedFastTrackBar),
                      view_.Position(C::MotionSpeedSlowTrackBar)),
            std::pair(5, 3));
  EXPECT_EQ(view_.SelectedRow(C::ButtonComboBox), kSlotUp);
  EXPECT_EQ(ActionRow(), kActionRowKeys);
  EXPECT_EQ(Text(C::KeyAssignEdit) + "|" + Text(C::KeyAssignEdit2), "Press keys here|Up");
  EXPECT_TRUE(Enabled(C::KeyAssignGroupBox) && Enabled(C::AssignSetButton));
  EXPECT_FALSE(Enabled(C::ExecuteGroupBox) || Enabled(C::ExecuteSetButton));
  EXPECT_TRUE(view_.At(C::KeyAssignEdit2).TakesInput);
  EXPECT_FALSE(view_.At(C::ExecuteEdit).TakesInput);
  EXPECT_EQ(assign_, DefaultButtonAssign());
}

TEST_F(OptionFormLogicTest, EachShowingRefreshesAndUnknownTextsLeaveTheRadioButtons) {
  settings_.CursorMode = "IR";
  logic_.FormShow();
  PickSlot(kSlotA);
  settings_.SensorThreshold = 7;
  settings_.CursorMode = "ir";  // compared exactly: matches neither button
  settings_.OnPush = "Faster";
  assign_[kSlotA] = {"Execute", "/bin/true"};
  logic_.FormShow();
  EXPECT_EQ(Text(C::MotionSensorThresholdEdit), "7");
  EXPECT_TRUE(Checked(C::CursorRadioButtonIR) && !Checked(C::CursorRadioButtonMotion));
  EXPECT_TRUE(Checked(C::SpeedRadioButtonFast) && !Checked(C::SpeedRadioButtonSlow));
  EXPECT_EQ(ActionRow(), kActionRowExecute);  // the slot kept from the last showing
  EXPECT_EQ(Text(C::ExecuteEdit), "/bin/true");
  EXPECT_EQ(assign_[kSlotA], (TButtonAssign{"Execute", "/bin/true"}));  // selected, not picked
  logic_.ApplyButtonClick();
  EXPECT_EQ(settings_.CursorMode + settings_.OnPush, "IRFaster");  // the checked buttons' texts
  EXPECT_EQ(view_.Closes, std::vector<bool>{true});
}

TEST_F(OptionFormLogicTest, ApplyTakesEveryControlAndCancelNone) {
  logic_.FormShow();
  view_.SetText(C::MotionSensorThresholdEdit, "40");
  for (const C box : {C::InvertHCheckBox, C::InvertVCheckBox, C::MinimizeCheckBox,
                      C::UseMotionWhenLostIRCheckBox, C::ReCalibrateCheckBox}) {
    view_.SetChecked(box, true);
  }
  view_.SetChecked(C::RumbleOnEdgeCheckBox, false);
  view_.SetPosition(C::MotionSpeedFastTrackBar, 12);
  view_.SetPosition(C::MotionSpeedSlowTrackBar, 9);
  view_.SetChecked(C::CursorRadioButtonIR, true);
  view_.SetChecked(C::SpeedRadioButtonFast, true);
  const TKestrovaneSetting before = settings_;
  logic_.CancelButtonClick();
  EXPECT_EQ(std::tie(settings_.SensorThreshold, settings_.InvertH, settings_.CursorMode),
            std::tie(before.SensorThreshold, before.InvertH, before.CursorMode));
  logic_.ApplyButtonClick();
  const TKestrovaneSetting& s = settings_;
  EXPECT_EQ(std::tuple(s.SensorThreshold, s.InvertH, s.InvertV, s.RumbleOnEdge, s.MinimizeOnStartup,
                       s.UseMotionWhenLostIR, s.Recalibrate, s.SpeedFast, s.SpeedSlow),
            std::tuple(40, true, true, false, true, true, true, 12, 9));
  EXPECT_EQ(s.CursorMode + s.OnPush, "IRFaster");
  EXPECT_EQ(view_.Closes, (std::vector<bool>{false, true}));
}

TEST_F(OptionFormLogicTest, ThresholdThatDoesNotConvertChangesNothingAndKeepsTheDialog) {
  logic_.FormShow();
  view_.SetChecked(C::InvertHCheckBox, true);
  for (const char* text : {"", "21x9", "2147483648", "1 "}) {
    view_.SetText(C::MotionSensorThresholdEdit, text);
    logic_.ApplyButtonClick();
  }
  EXPECT_EQ(view_.Errors,
            (Strings{"'' は整数ではありません", "'21x9' は整数ではありません",
                     "'2147483648' は整数ではありません", "'1 ' は整数ではありません"}));
  EXPECT_TRUE(view_.Closes.empty());
  EXPECT_EQ(std::pair(settings_.SensorThreshold, settings_.InvertH), std::pair(2, false));
  view_.SetText(C::MotionSensorThresholdEdit, " $10");
  logic_.ApplyButtonClick();
  EXPECT_EQ(std::pair(settings_.SensorThreshold, settings_.InvertH), std::pair(16, true));
}

TEST_F(OptionFormLogicTest, TrackBarsHoldOutOfRangeSpeedsAtTheirEnds) {
  settings_.SpeedFast = 50;
  settings_.SpeedSlow = -3;
  logic_.FormShow();
  EXPECT_EQ(std::pair(view_.Position(C::MotionSpeedFastTrackBar),
                      view_.Position(C::MotionSpeedSlowTrackBar)),
            std::pair(20, 2));
  logic_.CancelButtonClick();
  EXPECT_EQ(std::pair(settings_.SpeedFast, settings_.SpeedSlow), std::pair(50, -3));
  logic_.ApplyButtonClick();
  EXPECT_EQ(std::pair(settings_.SpeedFast, settings_.SpeedSlow), std::pair(20, 2));
}

TEST_F(OptionFormLogicTest, SlotWithAClickDisablesBothBoxesAndEmptiesTheEdits) {
  logic_.FormShow();
  PickSlot(kSlotA);
  EXPECT_EQ(ActionRow(), 7);
  EXPECT_FALSE(Enabled(C::KeyAssignGroupBox) || Enabled(C::AssignSetButton));
  EXPECT_FALSE(Enabled(C::ExecuteGroupBox) || Enabled(C::ExecuteSetButton));
  EXPECT_EQ(Text(C::KeyAssignEdit) + Text(C::KeyAssignEdit2) + Text(C::ExecuteEdit), "");
  EXPECT_FALSE(view_.At(C::KeyAssignEdit2).TakesInput || view_.At(C::ExecuteEdit).TakesInput);
  EXPECT_EQ(assign_, DefaultButtonAssign());
}

TEST_F(OptionFormLogicTest, PickedActionIsStoredAtOnceButKeysWaitsForSet) {
  logic_.FormShow();
  PickSlot(kSlotDown);
  PickAction(13);
  EXPECT_EQ(assign_[kSlotDown], (TButtonAssign{"Mouse->Wheel Up", ""}));
  logic_.CancelButtonClick();
  EXPECT_EQ(assign_[kSlotDown], (TButtonAssign{"Mouse->Wheel Up", ""}));

  assign_[kSlotHome] = {"Mixer->Mute", ""};
  PickSlot(kSlotHome);
  EXPECT_EQ(ActionRow(), 19);
  PickAction(kActionRowKeys);
  EXPECT_EQ(Text(C::KeyAssignEdit) + "|" + Text(C::KeyAssignEdit2), "Press keys here|");
  view_.SetText(C::KeyAssignEdit2, "Ctrl+X");
  PickSlot(kSlotUp);  // typed but not set: dropped
  PickSlot(kSlotHome);
  EXPECT_EQ(assign_[kSlotHome], (TButtonAssign{"Mixer->Mute", ""}));
  EXPECT_EQ(ActionRow(), 19);
}

TEST_F(OptionFormLogicTest, ActionOutsideTheCatalogueKeepsTheRowAndStoresNothing) {
  logic_.FormShow();
  PickSlot(kSlotA);  // row 7
  assign_[kSlotMinus] = {"Bogus", "v"};
  PickSlot(kSlotMinus);
  EXPECT_EQ(ActionRow(), 7);
  EXPECT_FALSE(Enabled(C::KeyAssignGroupBox) || Enabled(C::ExecuteGroupBox));
  PickSlot(kSlotUp);  // row 0 now
  PickSlot(kSlotMinus);
  EXPECT_EQ(Text(C::KeyAssignEdit) + "|" + Text(C::KeyAssignEdit2), "Press keys here|");
  EXPECT_EQ(assign_[kSlotMinus], (TButtonAssign{"Bogus", "v"}));
}

TEST_F(OptionFormLogicTest, ExecuteStoresAnEmptyCommandThenTheChosenFile) {
  logic_.FormShow();
  PickSlot(kSlotB);
  PickAction(kActionRowExecute);
  EXPECT_EQ(assign_[kSlotB], (TButtonAssign{"Execute", ""}));
  EXPECT_TRUE(Enabled(C::ExecuteGroupBox) && view_.At(C::ExecuteEdit).TakesInput);
  view_.ChosenFile = "C:\\Tools\\calc.exe";
  logic_.ExecuteReferButtonClick();
  view_.ChosenFile.clear();  // the file dialog cancelled: the edit keeps its text
  logic_.ExecuteReferButtonClick();
  EXPECT_EQ(Text(C::ExecuteEdit), "C:\\Tools\\calc.exe");
  EXPECT_EQ(assign_[kSlotB], (TButtonAssign{"Execute", ""}));
  logic_.ExecuteSetButtonClick();
  EXPECT_EQ(assign_[kSlotB], (TButtonAssign{"Execute", "C:\\Tools\\calc.exe"}));
}

TEST_F(OptionFormLogicTest, CapturedCombinationsMoveDownOnRelease) {
  logic_.FormShow();
  const std::tuple<uint16_t, KeyModifiers, const char*> cases[] = {
      {'X', kCtrlShift, "Shift+Ctrl+X"},
      {0x74, kAll, "Shift+Ctrl+Alt+F5"},
      {0x6A, kNone, "Num *"},
      {0xBA, kShift, "Shift+;"},
      {0x09, kCtrl, "Ctrl+Tab"},
      {0x0D, kNone, "Enter"},
      {0x141, kNone, "A"},  // only the low byte of the code counts
  };
  for (const auto& [key, held, text] : cases) {
    logic_.KeyAssignEditKeyDown(key, held);
    EXPECT_EQ(Text(C::KeyAssignEdit), text);
    EXPECT_TRUE(view_.CaretAtEnd());
    EXPECT_EQ(logic_.CapturedKey(), key & 0xFF);
    logic_.KeyAssignEditKeyUp();
    EXPECT_EQ(Text(C::KeyAssignEdit2), text);
  }
  EXPECT_EQ(assign_, DefaultButtonAssign());  // capturing stores nothing
}

TEST_F(OptionFormLogicTest, ModifierKeysAloneShowThemselvesAndReleaseEmptiesBothEdits) {
  logic_.FormShow();
  // A modifier's own press as some window systems report it: without its own bit.
  logic_.KeyAssignEditKeyDown(kVirtualKeyControl, kNone);
  EXPECT_EQ(Text(C::KeyAssignEdit), "Ctrl");
  logic_.KeyAssignEditKeyDown(kVirtualKeyShift, kCtrl);
  EXPECT_EQ(Text(C::KeyAssignEdit), "Shift+Ctrl");
  logic_.KeyAssignEditKeyDown(kVirtualKeyAlt, kCtrlShift);
  EXPECT_EQ(Text(C::KeyAssignEdit), "Shift+Ctrl+Alt");
  EXPECT_EQ(logic_.CapturedKey(), 0);
  logic_.KeyAssignEditKeyUp();
  EXPECT_EQ(Text(C::KeyAssignEdit) + Text(C::KeyAssignEdit2), "");

  PressAndRelease('D', kAlt);
  EXPECT_EQ(Text(C::KeyAssignEdit2), "Alt+D");
  PressAndRelease(kVirtualKeyAlt, kAlt);  // Alt alone after a combination
  EXPECT_EQ(Text(C::KeyAssignEdit) + Text(C::KeyAssignEdit2), "");
  PressAndRelease(0xFF, kCtrl);  // a key without a name shows nothing but is kept
  EXPECT_EQ(logic_.CapturedKey(), 0xFF);
  EXPECT_EQ(Text(C::KeyAssignEdit2), "");
}

TEST(ModifierText, EveryCombinationInShiftCtrlAltOrder) {
  EXPECT_EQ(ModifierText(kNone), "");
  EXPECT_EQ(ModifierText(kAlt), "Alt");
  EXPECT_EQ(ModifierText({.Ctrl = true, .Alt = true}), "Ctrl+Alt");
  EXPECT_EQ(ModifierText({.Shift = true, .Alt = true}), "Shift+Alt");
  EXPECT_EQ(ModifierText(kAll), "Shift+Ctrl+Alt");
}

TEST_F(OptionFormLogicTest, SetStoresValidCombinationsAsTypedAndRefusesTheRest) {
  const std::pair<const char*, bool> cases[] = {
      {"Win+D", true},    {"Win", true},    {"Shift+D+Win", true}, {"alt+ctrl+x", true},
      {"Ctrl+Win", true}, {"", false},      {"Ctrl+Win+D", false}, {"Nonsense", false},
      {"win+d", false},   {"Ctrl+", false}, {"WinWin", false}};
  logic_.FormShow();
  for (const auto& [text, valid] : cases) {
    assign_[kSlotUp] = {"Keys", "Up"};
    view_.Messages.clear();
    view_.SetText(C::KeyAssignEdit2, text);
    logic_.AssignSetButtonClick();
    EXPECT_EQ(assign_[kSlotUp].ActionValue, valid ? text : "Up") << text;
    EXPECT_EQ(view_.Messages, valid ? Strings{} : Strings{"Invalid keys"}) << text;
  }
}

TEST_F(OptionFormLogicTest, WithoutASelectedSlotNothingIsStored) {
  logic_.FormShow();
  view_.SelectRow(C::ButtonComboBox, -1);
  logic_.ButtonComboBoxChange();
  view_.SetText(C::KeyAssignEdit2, "Ctrl+C");
  logic_.AssignSetButtonClick();
  PickAction(kActionRowExecute);
  logic_.ExecuteSetButtonClick();
  EXPECT_EQ(assign_, DefaultButtonAssign());
  EXPECT_TRUE(view_.Messages.empty());
}

TEST(ThresholdKeys, DigitsAndEditCommandsPassOtherCharactersDrop) {
  const std::tuple<std::u32string, KeyModifiers, bool> cases[] = {
      {U"7", kNone, true},
      {U"0", kShift, true},
      {U"\b", kNone, true},
      {U"\x16", kNone, true},
      {U"v", kCtrl, true},
      {U"", kNone, true},
      {U"a", kNone, false},
      {U"-", kNone, false},
      {U" ", kNone, false},
      {U".", kNone, false},
      {U"12a", kNone, false},
      {U"é", kNone, false},
      {U"\u0663", kNone, false},  // an Arabic-Indic digit is no decimal digit of the edit
      {U"v", {.Ctrl = true, .Alt = true}, false},  // AltGr types characters, not commands
  };
  for (const auto& [typed, held, passes] : cases) {
    EXPECT_EQ(ThresholdKeyPasses(typed, held), passes)
        << static_cast<uint32_t>(typed.empty() ? 0 : typed[0]);
  }
}

}  // namespace
}  // namespace kv
