#include "platform/linux/x11_input_injector.h"

#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <cstdlib>

namespace kv::linux_backend {
namespace {

constexpr int32_t kWheelNotch = 120;
constexpr unsigned int kButtonWheelUp = 4;
constexpr unsigned int kButtonWheelDown = 5;

using KeySymTable = std::array<unsigned long, 256>;

constexpr void Range(KeySymTable& table, int firstVk, int lastVk, unsigned long firstSym) {
  for (int vk = firstVk; vk <= lastVk; ++vk) table[vk] = firstSym + (vk - firstVk);
}

// Virtual-key codes to X key symbols. Letters map to their lower-case symbol, the one the
// keyboard map lists first for the key; OEM codes are the punctuation keys of a US keyboard.
constexpr KeySymTable MakeKeySymTable() {
  KeySymTable t{};
  t[0x08] = XK_BackSpace;
  t[0x09] = XK_Tab;
  t[0x0C] = XK_Clear;
  t[0x0D] = XK_Return;
  t[0x10] = XK_Shift_L;
  t[0x11] = XK_Control_L;
  t[0x12] = XK_Alt_L;
  t[0x13] = XK_Pause;
  t[0x14] = XK_Caps_Lock;
  t[0x15] = XK_Hiragana_Katakana;
  t[0x19] = XK_Kanji;
  t[0x1B] = XK_Escape;
  t[0x1C] = XK_Henkan_Mode;
  t[0x1D] = XK_Muhenkan;
  t[0x20] = XK_space;
  t[0x21] = XK_Prior;
  t[0x22] = XK_Next;
  t[0x23] = XK_End;
  t[0x24] = XK_Home;
  t[0x25] = XK_Left;
  t[0x26] = XK_Up;
  t[0x27] = XK_Right;
  t[0x28] = XK_Down;
  t[0x29] = XK_Select;
  t[0x2A] = XK_Print;
  t[0x2B] = XK_Execute;
  t[0x2C] = XK_Print;
  t[0x2D] = XK_Insert;
  t[0x2E] = XK_Delete;
  t[0x2F] = XK_Help;
  Range(t, 0x30, 0x39, XK_0);
  Range(t, 0x41, 0x5A, XK_a);
  t[0x5B] = XK_Super_L;
  t[0x5C] = XK_Super_R;
  t[0x5D] = XK_Menu;
  t[0x5F] = XF86XK_Sleep;
  Range(t, 0x60, 0x69, XK_KP_0);
  t[0x6A] = XK_KP_Multiply;
  t[0x6B] = XK_KP_Add;
  t[0x6C] = XK_KP_Separator;
  t[0x6D] = XK_KP_Subtract;
  t[0x6E] = XK_KP_Decimal;
  t[0x6F] = XK_KP_Divide;
  Range(t, 0x70, 0x87, XK_F1);
  t[0x90] = XK_Num_Lock;
  t[0x91] = XK_Scroll_Lock;
  t[0xA0] = XK_Shift_L;
  t[0xA1] = XK_Shift_R;
  t[0xA2] = XK_Control_L;
  t[0xA3] = XK_Control_R;
  t[0xA4] = XK_Alt_L;
  t[0xA5] = XK_Alt_R;
  t[0xA6] = XF86XK_Back;
  t[0xA7] = XF86XK_Forward;
  t[0xA8] = XF86XK_Refresh;
  t[0xA9] = XF86XK_Stop;
  t[0xAA] = XF86XK_Search;
  t[0xAB] = XF86XK_Favorites;
  t[0xAC] = XF86XK_HomePage;
  t[0xAD] = XF86XK_AudioMute;
  t[0xAE] = XF86XK_AudioLowerVolume;
  t[0xAF] = XF86XK_AudioRaiseVolume;
  t[0xB0] = XF86XK_AudioNext;
  t[0xB1] = XF86XK_AudioPrev;
  t[0xB2] = XF86XK_AudioStop;
  t[0xB3] = XF86XK_AudioPlay;
  t[0xB4] = XF86XK_Mail;
  t[0xB5] = XF86XK_AudioMedia;
  t[0xB6] = XF86XK_MyComputer;
  t[0xB7] = XF86XK_Calculator;
  t[0xBA] = XK_semicolon;
  t[0xBB] = XK_equal;
  t[0xBC] = XK_comma;
  t[0xBD] = XK_minus;
  t[0xBE] = XK_period;
  t[0xBF] = XK_slash;
  t[0xC0] = XK_grave;
  t[0xDB] = XK_bracketleft;
  t[0xDC] = XK_backslash;
  t[0xDD] = XK_bracketright;
  t[0xDE] = XK_apostrophe;
  t[0xE2] = XK_less;
  return t;
}

constexpr KeySymTable kKeySyms = MakeKeySymTable();

unsigned int ButtonNumber(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return 1;
    case MouseButton::Middle:
      return 2;
    case MouseButton::Right:
      return 3;
  }
  return 1;
}

}  // namespace

unsigned long KeySymOfVirtualKey(uint8_t virtualKey) { return kKeySyms[virtualKey]; }

std::unique_ptr<X11InputInjector> X11InputInjector::Open(const std::string& displayName,
                                                         std::string& error) {
  const char* name = displayName.empty() ? nullptr : displayName.c_str();
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    const char* shown = name != nullptr ? name : std::getenv("DISPLAY");
    error = std::string("XOpenDisplay(\"") + (shown != nullptr ? shown : "") +
            "\") failed: cannot connect to the X server";
    return nullptr;
  }
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
    error = "XTestQueryExtension failed: the X server has no XTest extension";
    XCloseDisplay(display);
    return nullptr;
  }
  return std::unique_ptr<X11InputInjector>(new X11InputInjector(display));
}

X11InputInjector::~X11InputInjector() { XCloseDisplay(display_); }

// Keyboard-map changes arrive as events on our connection; handing them to Xlib keeps its copy
// of the map current for XKeysymToKeycode.
void X11InputInjector::FollowKeyboardMapping() {
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
  }
}

void X11InputInjector::KeyEvent(uint8_t virtualKey, bool down) {
  const KeySym sym = kKeySyms[virtualKey];
  if (sym == NoSymbol) return;
  FollowKeyboardMapping();
  const KeyCode code = XKeysymToKeycode(display_, sym);
  if (code == 0) return;
  XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
  XFlush(display_);
}

void X11InputInjector::MouseButtonEvent(MouseButton button, bool down) {
  XTestFakeButtonEvent(display_, ButtonNumber(button), down ? True : False, CurrentTime);
  XFlush(display_);
}

void X11InputInjector::MouseWheel(int32_t delta) {
  const unsigned int button = delta > 0 ? kButtonWheelUp : kButtonWheelDown;
  const int64_t notches = std::llabs(int64_t{delta}) / kWheelNotch;
  for (int64_t i = 0; i < notches; ++i) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
  }
  XFlush(display_);
}

}  // namespace kv::linux_backend
