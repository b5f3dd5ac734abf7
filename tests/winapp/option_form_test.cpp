// The Windows preferences dialog: built from the layout table, driven through its real message
// loop with the messages a user's keys and clicks produce, so the dialog manager, the control
// subclasses and the forwarding to the dialog's logic are all in play.
#include "winapp/option_form.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/actions/catalogue.h"
#include "platform/sim/us_key_names.h"

namespace kv::winapp {
namespace {

using C = OptionControl;

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// Where a control sits in the dialog's client area.
RECT ClientRectOf(HWND dialog, HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool quitFlag = false;
void CALLBACK RaiseQuit(HWND, UINT, UINT_PTR, DWORD) { quitFlag = true; }

class WinOptionFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    assign_ = DefaultButtonAssign();
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(form_.Create(owner_, GetModuleHandleW(nullptr)));
    form_.SetMessageBox([this](HWND, const std::wstring& caption, const std::wstring& text) {
      messages_.push_back(caption + L": " + text);
    });
    form_.SetErrorBox([this](HWND, const std::wstring& caption, const std::wstring& text) {
      errors_.push_back(caption + L": " + text);
    });
    form_.SetOpenFileDialog([](HWND) { return std::wstring(L"C:\\Tools\\\u8868.exe"); });
  }
  void TearDown() override {
    SetHeld({});
    DestroyWindow(owner_);
  }

  void Post(C control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    PostMessageW(form_.Control(control), message, wParam, lParam);
  }
  void Click(C button) { Post(button, BM_CLICK); }
  void Focus(C control) {
    PostMessageW(form_.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(form_.Control(control)),
                 TRUE);
  }
  void Key(C control, WORD virtualKey, bool system = false) {
    Post(control, system ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 1);
    Post(control, system ? WM_SYSKEYUP : WM_KEYUP, virtualKey, 0xC0000001);
  }
  // The modifier keys the thread sees as held while the posted keys are handled.
  static void SetHeld(KeyModifiers held) {
    BYTE state[256] = {};
    if (held.Shift) state[VK_SHIFT] = 0x80;
    if (held.Ctrl) state[VK_CONTROL] = 0x80;
    if (held.Alt) state[VK_MENU] = 0x80;
    SetKeyboardState(state);
  }
  // Shows the dialog modally; the posted messages are handled inside. A stuck dialog ends after
  // a few seconds instead of hanging the test run.
  bool RunModal() {
    quitFlag = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 5000, RaiseQuit);
    const bool applied = form_.ShowModal([] { return quitFlag; });
    KillTimer(nullptr, timer);
    EXPECT_FALSE(quitFlag) << "the dialog did not close";
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_FALSE(IsWindowVisible(form_.Handle()));
    return applied;
  }
  std::wstring Text(C control) const { return WindowText(form_.Control(control)); }

  TKestrovaneSetting settings_;
  TWiimoteButtonAssign assign_;
  sim::UsKeyNames keyNames_;
  OptionForm form_{settings_, assign_, keyNames_};
  HWND owner_ = nullptr;
  std::vector<std::wstring> messages_;
  std::vector<std::wstring> errors_;
};

TEST_F(WinOptionFormTest, ControlsSitWhereTheTableSaysWithTheirCaptions) {
  RECT client;
  GetClientRect(form_.Handle(), &client);
  EXPECT_EQ(client.right, 449);
  EXPECT_EQ(client.bottom, 372);
  EXPECT_EQ(WindowText(form_.Handle()), L"Preference");
  // Controls inside boxes inside boxes: the offsets of every box around them add up.
  const struct {
    C control;
    RECT at;
  } places[] = {
      {C::ApplyButton, {304, 336, 367, 361}},
      {C::CursorRadioButtonMotion, {20, 36, 141, 53}},
      {C::MotionSpeedSlowTrackBar, {44, 252, 97, 269}},
      {C::KeyAssignEdit, {228, 85, 381, 105}},
      {C::ExecuteReferButton, {408, 176, 429, 193}},
  };
  for (const auto& place : places) {
    const RECT r = ClientRectOf(form_.Handle(), form_.Control(place.control));
    EXPECT_TRUE(EqualRect(&r, &place.at)) << LayoutOf(place.control).Name << " at " << r.left << ","
                                          << r.top << " to " << r.right << "," << r.bottom;
  }
  for (const auto& layout : kOptionFormControls) {
    HWND control = form_.Control(layout.Control);
    ASSERT_NE(control, nullptr) << layout.Name;
    if (layout.Kind == ControlKind::GroupBox || layout.Kind == ControlKind::Button ||
        layout.Kind == ControlKind::CheckBox || layout.Kind == ControlKind::RadioButton ||
        layout.Kind == ControlKind::Label) {
      EXPECT_EQ(WindowText(control), std::wstring(layout.Caption.begin(), layout.Caption.end()))
          << layout.Name;
    }
  }
  // Labels take the size of their caption.
  const RECT hint = ClientRectOf(form_.Handle(), form_.Control(C::Label6));
  EXPECT_GT(hint.right - hint.left, 100);
  EXPECT_GT(hint.bottom - hint.top, 8);
}

TEST_F(WinOptionFormTest, TabTakesTheTableOrderPastTheKeyEdits) {
  ShowWindow(form_.Handle(), SW_SHOWNA);
  std::vector<std::string> expected;
  for (const C control : kOptionFormTabOrder) {
    if (!LayoutOf(control).Has(kControlNoTabStop)) expected.emplace_back(LayoutOf(control).Name);
  }
  std::vector<std::string> walked;
  HWND control = form_.Control(kOptionFormTabOrder[0]);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const int id = GetDlgCtrlID(control) - 1000;
    walked.emplace_back(id >= 0 && id < static_cast<int>(kOptionControlCount)
                            ? kOptionFormControls[static_cast<std::size_t>(id)].Name
                            : "?");
    control = GetNextDlgTabItem(form_.Handle(), control, FALSE);
  }
  EXPECT_EQ(walked, expected);
  EXPECT_EQ(control, form_.Control(C::ApplyButton)) << "Tab wraps round to Apply";
  ShowWindow(form_.Handle(), SW_HIDE);
}

TEST_F(WinOptionFormTest, ApplyTakesTypedDigitsAndTheBoxesCancelKeepsNothing) {
  settings_.SensorThreshold = 2;
  Post(C::MotionSensorThresholdEdit, EM_SETSEL, 0, -1);
  for (const wchar_t c : std::wstring(L"4a7-")) Post(C::MotionSensorThresholdEdit, WM_CHAR, c);
  Click(C::InvertHCheckBox);
  Click(C::CursorRadioButtonIR);
  Post(C::MotionSpeedFastTrackBar, TBM_SETPOS, TRUE, 9);
  Click(C::ApplyButton);
  EXPECT_TRUE(RunModal());
  EXPECT_EQ(settings_.SensorThreshold, 47) << "letters and signs typed are dropped";
  EXPECT_TRUE(settings_.InvertH);
  EXPECT_EQ(settings_.CursorMode, "IR");
  EXPECT_EQ(settings_.SpeedFast, 9);

  // A second showing starts from the settings again; Cancel takes nothing over.
  Click(C::InvertVCheckBox);
  Click(C::CursorRadioButtonMotion);
  Click(C::CancelButton);
  EXPECT_FALSE(RunModal());
  EXPECT_FALSE(settings_.InvertV);
  EXPECT_EQ(settings_.CursorMode, "IR");
  EXPECT_TRUE(form_.IsChecked(C::CursorRadioButtonMotion)) << "radio buttons keep their state";
}

TEST_F(WinOptionFormTest, AnEmptyThresholdShowsTheJapaneseErrorAndKeepsTheDialogOpen) {
  settings_.SensorThreshold = 5;
  Post(C::MotionSensorThresholdEdit, EM_SETSEL, 0, -1);
  Post(C::MotionSensorThresholdEdit, WM_CLEAR);
  Click(C::InvertHCheckBox);
  Click(C::ApplyButton);
  // Still open after the error: Escape and Enter on no button do nothing, Cancel closes.
  Focus(C::InvertHCheckBox);
  Key(C::InvertHCheckBox, VK_ESCAPE);
  Key(C::InvertHCheckBox, VK_RETURN);
  Focus(C::CancelButton);
  Key(C::CancelButton, VK_RETURN);
  EXPECT_FALSE(RunModal());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0],
            L"Kestrovane: '' \u306f\u6574\u6570\u3067\u306f\u3042\u308a\u307e\u305b\u3093");
  EXPECT_EQ(settings_.SensorThreshold, 5);
  EXPECT_FALSE(settings_.InvertH);
}

TEST_F(WinOptionFormTest, TheCaptureEditTakesEveryKeyButTabAndSetStoresIt) {
  // Enter and Escape reach the capture edit instead of the dialog manager.
  Focus(C::KeyAssignEdit);
  Key(C::KeyAssignEdit, VK_RETURN);
  Click(C::AssignSetButton);
  Click(C::CancelButton);
  RunModal();
  EXPECT_EQ(assign_[0].ActionType, "Keys");
  EXPECT_EQ(assign_[0].ActionValue, "Enter");

  // Held modifiers join the key; Alt goes through the system keys without opening a menu.
  SetHeld({.Shift = true, .Ctrl = true});
  Focus(C::KeyAssignEdit);
  Post(C::KeyAssignEdit, WM_KEYDOWN, 'X', 1);
  Post(C::KeyAssignEdit, WM_KEYUP, 'X', 0xC0000001);
  Click(C::CancelButton);
  RunModal();
  EXPECT_EQ(Text(C::KeyAssignEdit2), L"Shift+Ctrl+X");
  SetHeld({.Alt = true});
  Focus(C::KeyAssignEdit);
  Key(C::KeyAssignEdit, VK_MENU, true);
  Click(C::CancelButton);
  RunModal();
  EXPECT_EQ(Text(C::KeyAssignEdit), L"");
  EXPECT_EQ(Text(C::KeyAssignEdit2), L"") << "a modifier alone leaves both edits empty";

  // Tab moves the focus on and captures nothing.
  SetHeld({});
  Focus(C::KeyAssignEdit);
  Post(C::KeyAssignEdit, WM_KEYDOWN, VK_TAB, 1);
  Click(C::CancelButton);
  RunModal();
  EXPECT_EQ(Text(C::KeyAssignEdit), L"Press keys here");
  EXPECT_NE(GetFocus(), form_.Control(C::KeyAssignEdit));
}

TEST_F(WinOptionFormTest, InvalidKeysAreRefusedWithAMessage) {
  Focus(C::KeyAssignEdit2);
  Post(C::KeyAssignEdit2, EM_SETSEL, 0, -1);
  for (const wchar_t c : std::wstring(L"Ctrl+Win+D")) Post(C::KeyAssignEdit2, WM_CHAR, c);
  Click(C::AssignSetButton);
  Click(C::CancelButton);
  RunModal();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], L"Kestrovane: Invalid keys");
  EXPECT_EQ(assign_[0].ActionValue, "Up");
}

TEST_F(WinOptionFormTest, PickingRowsWithTheKeyboardRunsTheHandlers) {
  // Down four times on the slot list: "A", assigned a left click, which disables both boxes.
  Focus(C::ButtonComboBox);
  for (int i = 0; i < 4; ++i) Key(C::ButtonComboBox, VK_DOWN);
  Click(C::CancelButton);
  RunModal();
  EXPECT_EQ(form_.SelectedRow(C::ButtonComboBox), 4);
  EXPECT_EQ(form_.SelectedRow(C::AssignComboBox), 7);
  EXPECT_FALSE(IsWindowEnabled(form_.Control(C::KeyAssignEdit2)));
  EXPECT_FALSE(IsWindowEnabled(form_.Control(C::Label6))) << "inside the disabled box";
  EXPECT_FALSE(IsWindowEnabled(form_.Control(C::ExecuteSetButton)));

  // The last row, "Execute", is stored at once with an empty command; ".." and Set store the
  // chosen path, Japanese letters included.
  Focus(C::AssignComboBox);
  Key(C::AssignComboBox, VK_END);
  Click(C::ExecuteReferButton);
  Click(C::ExecuteSetButton);
  Click(C::CancelButton);
  RunModal();
  EXPECT_EQ(assign_[4].ActionType, "Execute");
  EXPECT_EQ(assign_[4].ActionValue, "C:\\Tools\\\xe8\xa1\xa8.exe");
  EXPECT_TRUE(IsWindowEnabled(form_.Control(C::ExecuteEdit)));
}

TEST_F(WinOptionFormTest, TheProgramEndingClosesTheDialog) {
  // Nothing closes it but the end of the program, which arrives while it waits.
  quitFlag = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 200, RaiseQuit);
  EXPECT_FALSE(form_.ShowModal([] { return quitFlag; }));
  KillTimer(nullptr, timer);
  EXPECT_TRUE(quitFlag);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_FALSE(IsWindowVisible(form_.Handle()));
}

}  // namespace
}  // namespace kv::winapp
