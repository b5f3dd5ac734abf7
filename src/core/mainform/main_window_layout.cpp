#include "core/mainform/main_window_layout.h"

#include "core/actions/catalogue.h"

namespace kv {

namespace {

using C = MainControl;
using K = ControlKind;

constexpr uint8_t kBoxFlags = kControlDoubleBuffered;

constexpr uint16_t Ctrl(char letter) { return static_cast<uint16_t>(kShortCutCtrl | letter); }

constexpr MenuItemLayout kSeparator{"", "-", 0, MenuCommand::None};

constexpr std::array<MenuItemLayout, 3> kFileItems{{
    {"Minimize1", "Minimize", Ctrl('M'), MenuCommand::Minimize1},
    kSeparator,
    {"Exit1", "Exit", Ctrl('E'), MenuCommand::Exit1},
}};

constexpr std::array<MenuItemLayout, 6> kOptionItems{{
    {"CursorOnOffButton", "Cursor On/OFF", Ctrl('S'), MenuCommand::CursorOnOff},
    kSeparator,
    {"CalibrateButton", "Calibrate Motion Sensor", Ctrl('C'), MenuCommand::Calibrate},
    {"IRResetButton", "Initialize IR Sensor", Ctrl('R'), MenuCommand::IRReset},
    kSeparator,
    {"OptionButton", "Preference", Ctrl('P'), MenuCommand::Option},
}};

constexpr std::array<MenuItemLayout, 2> kTrayItems{{
    {"ShowMenu", "Show", 0, MenuCommand::ShowMenu},
    {"ExitMenu", "Exit", 0, MenuCommand::ExitMenu},
}};

}  // namespace

const std::array<ControlLayout<MainControl>, kMainControlCount> kMainWindowControls{{
    {C::ButtonsGroupBox,
     "ButtonsGroupBox",
     C::Window,
     K::GroupBox,
     "Controller",
     {4, 0, 71, 270},
     kBoxFlags},
    {C::imgWiimote,
     "imgWiimote",
     C::ButtonsGroupBox,
     K::Picture,
     "",
     {7, 26, 55, 230},
     kControlTransparent},
    {C::GraphGroupBox,
     "GraphGroupBox",
     C::Window,
     K::GroupBox,
     "Graph",
     {82, 0, 266, 118},
     kBoxFlags},
    {C::imgGraph, "imgGraph", C::GraphGroupBox, K::Picture, "", {9, 17, 170, 71}},
    {C::imgAxis, "imgAxis", C::GraphGroupBox, K::Picture, "", {186, 17, 71, 71}},
    {C::Label4, "Label4", C::GraphGroupBox, K::Label, "X:Blue", {16, 92, 0, 0}},
    {C::Label5, "Label5", C::GraphGroupBox, K::Label, "Y:Red", {60, 92, 0, 0}},
    {C::Label6, "Label6", C::GraphGroupBox, K::Label, "Z:Green", {103, 92, 0, 0}},
    {C::IRGroupBox,
     "IRGroupBox",
     C::Window,
     K::GroupBox,
     "IR Sensor",
     {82, 121, 159, 148},
     kBoxFlags},
    {C::imgIR, "imgIR", C::IRGroupBox, K::Picture, "", {9, 26, 137, 104}},
    {C::StatusGroupBox,
     "StatusGroupBox",
     C::Window,
     K::GroupBox,
     "Status",
     {247, 121, 102, 148},
     kBoxFlags},
    {C::ButtonStatusListBox,
     "ButtonStatusListBox",
     C::StatusGroupBox,
     K::ListBox,
     "",
     {9, 17, 84, 124},
     kControlDoubleBuffered},
}};

const std::array<MenuLayout, 2> kMainMenu{{
    {"File1", "File", kFileItems},
    {"Option1", "Option", kOptionItems},
}};

const MenuLayout kTrayPopupMenu{"TrayPopupMenu", "", kTrayItems};

}  // namespace kv
