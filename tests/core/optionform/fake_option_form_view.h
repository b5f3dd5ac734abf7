#pragma once

// A dialog in memory: each control holds what a toolkit's control would hold, built from the
// layout table as a front end builds it, so the dialog's logic runs without any window.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/optionform/option_form_layout.h"
#include "core/port/option_form_view.h"

namespace kv::test {

class FakeOptionFormView final : public OptionFormView {
 public:
  struct Control {
    std::string Text;
    bool Checked = false;
    int Position = 0;
    int Row = -1;
    bool Enabled = true;
    bool TakesInput = true;
  };

  FakeOptionFormView() {
    for (const ControlLayout<OptionControl>& layout : kOptionFormControls) {
      Control& control = At(layout.Control);
      control.Text = std::string(layout.Caption);
      control.Checked = layout.Has(kControlChecked);
      control.Position = layout.Range.Initial;
      control.TakesInput = !layout.Has(kControlButtonFace);
    }
    At(OptionControl::ButtonComboBox).Row = kButtonComboBoxInitialRow;
    At(OptionControl::AssignComboBox).Row = kAssignComboBoxInitialRow;
  }

  Control& At(OptionControl control) { return controls_[static_cast<std::size_t>(control)]; }
  const Control& At(OptionControl control) const {
    return controls_[static_cast<std::size_t>(control)];
  }

  std::string Text(OptionControl edit) const override { return At(edit).Text; }
  void SetText(OptionControl edit, std::string_view text) override {
    At(edit).Text = std::string(text);
    caretAtEnd_ = false;
  }
  void MoveCaretToEnd(OptionControl edit) override {
    EXPECT_EQ(edit, OptionControl::KeyAssignEdit);
    caretAtEnd_ = true;
  }
  bool IsChecked(OptionControl button) const override { return At(button).Checked; }
  void SetChecked(OptionControl button, bool checked) override {
    const ControlLayout<OptionControl>& layout = LayoutOf(button);
    if (checked && layout.Kind == ControlKind::RadioButton) {
      for (const ControlLayout<OptionControl>& other : kOptionFormControls) {
        if (other.Kind == ControlKind::RadioButton && other.Parent == layout.Parent) {
          At(other.Control).Checked = false;
        }
      }
    }
    At(button).Checked = checked;
  }
  int Position(OptionControl trackBar) const override { return At(trackBar).Position; }
  void SetPosition(OptionControl trackBar, int position) override {
    const ControlRange& range = LayoutOf(trackBar).Range;
    EXPECT_TRUE(position >= range.Min && position <= range.Max) << position;
    At(trackBar).Position = position;
  }
  int SelectedRow(OptionControl list) const override { return At(list).Row; }
  void SelectRow(OptionControl list, int row) override { At(list).Row = row; }
  void SetEnabled(OptionControl control, bool enabled) override { At(control).Enabled = enabled; }
  void SetInputColour(OptionControl edit, bool takesInput) override {
    At(edit).TakesInput = takesInput;
  }
  void ShowMessage(std::string_view text) override { Messages.emplace_back(text); }
  void ShowError(std::string_view text) override { Errors.emplace_back(text); }
  std::string ChooseFile() override { return ChosenFile; }
  void Close(bool applied) override { Closes.push_back(applied); }

  bool CaretAtEnd() const { return caretAtEnd_; }

  std::vector<std::string> Messages;
  std::vector<std::string> Errors;
  std::vector<bool> Closes;
  std::string ChosenFile;

 private:
  std::array<Control, kOptionControlCount> controls_{};
  bool caretAtEnd_ = false;
};

}  // namespace kv::test
