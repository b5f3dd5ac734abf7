// The layout tables both front ends build their windows from: each table in its own order, every
// control inside its parent, the dialog's tab order over its focusable controls, the main
// window's pictures the size of their drawing surfaces, and the menus' shortcuts.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/actions/catalogue.h"
#include "core/mainform/main_window_layout.h"
#include "core/optionform/option_form_layout.h"
#include "core/ui/status_display.h"
#include "platform/sim/us_key_names.h"

namespace kv {
namespace {

bool Inside(const DisplayRect& inner, DisplaySize outer) {
  return inner.Left >= 0 && inner.Top >= 0 && inner.Left + inner.Width <= outer.Width &&
         inner.Top + inner.Height <= outer.Height;
}

// Each row sits at its own index, names are unique, parents come first, and every control lies
// inside its parent's client area (a label by its top left).
template <class Id, std::size_t N>
void ExpectWellFormed(const std::array<ControlLayout<Id>, N>& table, DisplaySize window) {
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < N; ++i) {
    const ControlLayout<Id>& c = table[i];
    SCOPED_TRACE(std::string(c.Name));
    EXPECT_EQ(static_cast<std::size_t>(c.Control), i);
    EXPECT_TRUE(names.insert(c.Name).second);
    const bool onWindow = c.Parent == Id::Window;
    EXPECT_TRUE(onWindow || static_cast<std::size_t>(c.Parent) < i);
    if (!onWindow) {
      EXPECT_EQ(table[static_cast<std::size_t>(c.Parent)].Kind, ControlKind::GroupBox);
    }
    const DisplaySize parent =
        onWindow ? window
                 : DisplaySize{table[static_cast<std::size_t>(c.Parent)].Bounds.Width,
                               table[static_cast<std::size_t>(c.Parent)].Bounds.Height};
    EXPECT_TRUE(Inside(c.Bounds, parent));
    EXPECT_EQ(c.Kind == ControlKind::Label, c.Bounds.Width == 0 && c.Bounds.Height == 0);
  }
}

TEST(OptionFormLayout, TableIsWellFormed) {
  ExpectWellFormed(kOptionFormControls, kOptionClientSize);
  // Up-down arrows attach to the edit before them; ranges hold their initial position.
  for (const auto& c : kOptionFormControls) {
    if (c.Kind == ControlKind::UpDown) {
      EXPECT_EQ(kOptionFormControls[static_cast<std::size_t>(c.Control) - 1].Kind,
                ControlKind::Edit);
    }
    if (c.Kind == ControlKind::UpDown || c.Kind == ControlKind::TrackBar) {
      EXPECT_TRUE(c.Range.Min < c.Range.Max && c.Range.Initial >= c.Range.Min &&
                  c.Range.Initial <= c.Range.Max)
          << c.Name;
    }
  }
}

TEST(OptionFormLayout, TabOrderVisitsEveryFocusableControlOnce) {
  std::vector<OptionControl> focusable;
  for (const auto& c : kOptionFormControls) {
    if (c.Kind != ControlKind::GroupBox && c.Kind != ControlKind::Label &&
        c.Kind != ControlKind::UpDown) {
      focusable.push_back(c.Control);
    }
  }
  std::vector<OptionControl> order(kOptionFormTabOrder.begin(), kOptionFormTabOrder.end());
  std::ranges::sort(order);
  EXPECT_TRUE(std::ranges::adjacent_find(order) == order.end());
  EXPECT_EQ(order, focusable);
  // The form's direct children in the order Apply, Cancel, "Motion Sensor", "General",
  // "Button Assign": the first control of each box decides where the box comes.
  std::vector<std::string_view> boxes;
  for (const OptionControl id : kOptionFormTabOrder) {
    OptionControl top = id;
    while (LayoutOf(top).Parent != OptionControl::Window) top = LayoutOf(top).Parent;
    if (boxes.empty() || boxes.back() != LayoutOf(top).Name) boxes.push_back(LayoutOf(top).Name);
  }
  EXPECT_EQ(boxes, (std::vector<std::string_view>{"ApplyButton", "CancelButton", "GroupBox1",
                                                  "GroupBox2", "ButtonAssignGroupBox"}));
}

TEST(MainWindowLayout, TableIsWellFormedAndPicturesMatchTheirSurfaces) {
  ExpectWellFormed(kMainWindowControls, kMainClientSize);
  const auto size = [](MainControl c) {
    return DisplaySize{LayoutOf(c).Bounds.Width, LayoutOf(c).Bounds.Height};
  };
  EXPECT_EQ(size(MainControl::imgGraph), kGraphPictureSize);
  EXPECT_EQ(size(MainControl::imgAxis), kAxisPictureSize);
  EXPECT_EQ(size(MainControl::imgIR), kIRPictureSize);
  // The controller picture fits its view, which shows the box through around it.
  EXPECT_TRUE(Inside({0, 0, kControllerPictureSize.Width, kControllerPictureSize.Height},
                     size(MainControl::imgWiimote)));
  EXPECT_TRUE(LayoutOf(MainControl::imgWiimote).Has(kControlTransparent));
  // Nine status lines of the list's item height fit the list.
  EXPECT_LE(static_cast<int>(kStatusLineCount) * kStatusListItemHeight,
            LayoutOf(MainControl::ButtonStatusListBox).Bounds.Height);
}

TEST(MainWindowLayout, MenusWithTheirShortcutTexts) {
  sim::UsKeyNames keyNames;
  std::vector<std::string> items;
  std::set<uint16_t> shortCuts;
  for (const MenuLayout& menu : kMainMenu) {
    items.push_back(std::string(menu.Caption) + ":");
    for (const MenuItemLayout& item : menu.Items) {
      std::string text(item.Caption);
      if (item.ShortCut != 0) {
        text += "|" + ShortCutToText(item.ShortCut, keyNames);
        EXPECT_TRUE(shortCuts.insert(item.ShortCut).second) << text;
        EXPECT_EQ(TextToShortCut(ShortCutToText(item.ShortCut, keyNames), keyNames), item.ShortCut);
      }
      EXPECT_EQ(item.IsSeparator(), item.Command == MenuCommand::None) << text;
      items.push_back(text);
    }
  }
  EXPECT_EQ(items, (std::vector<std::string>{
                       "File:", "Minimize|Ctrl+M", "-", "Exit|Ctrl+E",
                       "Option:", "Cursor On/OFF|Ctrl+S", "-", "Calibrate Motion Sensor|Ctrl+C",
                       "Initialize IR Sensor|Ctrl+R", "-", "Preference|Ctrl+P"}));
  ASSERT_EQ(kTrayPopupMenu.Items.size(), 2u);
  EXPECT_EQ(kTrayPopupMenu.Items[0].Caption, "Show");
  EXPECT_EQ(kTrayPopupMenu.Items[1].Command, MenuCommand::ExitMenu);
}

}  // namespace
}  // namespace kv
