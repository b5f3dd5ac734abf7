#include "core/tray/tray_icon.h"

#include <utility>

namespace kv {

namespace {
constexpr char kInitialTip[] = "TipHelp";
}  // namespace

TTrayIcon::TTrayIcon(NotifyArea& area, Clock& clock, UiDispatcher& ui, TrayApplication& app)
    : area_(area), app_(app), task_(area, clock, ui) {
  task_.SetTip(kInitialTip);
  task_.SetOwnerHandler([this](intptr_t wParam, uint32_t lParam) { Dispatch(wParam, lParam); });
  previousOnMinimize_ = std::exchange(app_.OnMinimize(), [this] { ApplicationMinimized(); });
  previousOnRestore_ = std::exchange(app_.OnRestore(), [this] { ApplicationRestored(); });
}

TTrayIcon::~TTrayIcon() {
  app_.OnMinimize() = std::move(previousOnMinimize_);
  app_.OnRestore() = std::move(previousOnRestore_);
  task_.SetOwnerHandler(nullptr);
}

void TTrayIcon::Loaded() {
  loading_ = false;
  if (ShouldShow()) ShowIcon();
}

void TTrayIcon::SetIcon(IconHandle icon) {
  icon_ = icon;
  if (!loading_) UpdateIcon();
}

void TTrayIcon::SetTipHelp(std::string_view tip) {
  task_.SetTip(tip);
  if (!loading_) UpdateIcon();
}

void TTrayIcon::SetMinimized(bool minimized) {
  if (minimized == minimized_) return;
  minimized_ = minimized;
  if (loading_) return;
  if (ShouldShow()) {
    UpdateIcon();
  } else {
    HideIcon();
  }
}

void TTrayIcon::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (loading_) return;
  if (ShouldShow()) {
    ShowIcon();
  } else {
    HideIcon();
  }
}

bool TTrayIcon::ShouldShow() { return visible_ && (!minimized_ || app_.IsMinimized()); }

void TTrayIcon::ShowIcon() {
  task_.SetIcon(CurrentIconHandle());
  task_.AddIcon();
}

void TTrayIcon::HideIcon() { task_.RemoveIcon(); }

void TTrayIcon::UpdateIcon() {
  task_.SetIcon(CurrentIconHandle());
  if (ShouldShow()) task_.ModifyIcon();
}

IconHandle TTrayIcon::CurrentIconHandle() {
  if (icon_ != kNoIcon) return icon_;
  if (ResourceIconID >= 0 && static_cast<size_t>(ResourceIconID) < ResourceIconList.size()) {
    const IconHandle loaded = area_.LoadIcon(ResourceIconList[static_cast<size_t>(ResourceIconID)]);
    if (loaded != kNoIcon) return loaded;
  }
  return area_.ApplicationIcon();
}

void TTrayIcon::MenuDestroyed(TrayPopupMenu* menu) {
  if (menu == nullptr) return;
  if (LButtonPopupMenu == menu) LButtonPopupMenu = nullptr;
  if (RButtonPopupMenu == menu) RButtonPopupMenu = nullptr;
}

void TTrayIcon::ButtonDown(MouseButton button, TrayPopupMenu* menu, Point cursor) {
  if (menu != nullptr && AutoPopup) {
    // Without the application in front, the menu would not close on a click elsewhere.
    app_.BringToForeground();
    app_.ProcessMessages();
    menu->Popup(cursor.X, cursor.Y);
  } else if (OnMouseDown) {
    OnMouseDown(button, ButtonBit(button), cursor.X, cursor.Y);
  }
}

void TTrayIcon::Dispatch(intptr_t wParam, uint32_t lParam) {
  const auto fire = [](const NotifyEvent& event) {
    if (event) event();
  };
  const Point cursor = area_.CursorPos();
  switch (lParam) {
    case kWmMouseMove:
      if (OnMouseMove) OnMouseMove(0, cursor.X, cursor.Y);
      break;
    case kWmLButtonDblClk:
      fire(OnDblClick);
      break;
    case kWmRButtonDblClk:
      fire(OnRDblClick);
      break;
    case kMouseEnterCode:
      fire(OnMouseEnter);
      break;
    case kMouseExitCode:
      fire(OnMouseExit);
      break;
    case kMouseClickCode:
      if (OnMouseClick && wParam >= 0 && wParam <= 2) {
        OnMouseClick(static_cast<MouseButton>(wParam), 0, cursor.X, cursor.Y);
      }
      break;
    default:
      DispatchButton(lParam, cursor);
      break;
  }
}

void TTrayIcon::DispatchButton(uint32_t lParam, Point cursor) {
  struct Codes {
    MouseButton Button;
    uint32_t Down;
    uint32_t Up;
    TrayPopupMenu* Menu;
  };
  // The middle button has no menu.
  const Codes table[] = {
      {MouseButton::Left, kWmLButtonDown, kWmLButtonUp, LButtonPopupMenu},
      {MouseButton::Right, kWmRButtonDown, kWmRButtonUp, RButtonPopupMenu},
      {MouseButton::Middle, kWmMButtonDown, kWmMButtonUp, nullptr},
  };
  for (const Codes& c : table) {
    if (lParam == c.Down) {
      ButtonDown(c.Button, c.Menu, cursor);
    } else if (lParam == c.Up && OnMouseUp) {
      OnMouseUp(c.Button, ButtonBit(c.Button), cursor.X, cursor.Y);
    }
  }
}

void TTrayIcon::ApplicationMinimized() {
  if (previousOnMinimize_) previousOnMinimize_();
  if (visible_ && minimized_) ShowIcon();
  if (visible_ && HideOnTaskBar) app_.HideTaskbarEntry();
}

void TTrayIcon::ApplicationRestored() {
  if (previousOnRestore_) previousOnRestore_();
  if (minimized_) {
    HideIcon();
    app_.BringMainFormToForeground();
  }
}

void SetMainWindowTrayIconProperties(TTrayIcon& icon) {
  icon.SetTipHelp("Kestrovane");
  icon.SetMinimized(true);
  icon.HideOnTaskBar = true;
  icon.SetDoForegroundWindow(true);
  icon.SetCheckSingleDoubleClick(true);
  icon.SetBalloonHelpText("Kestrovane");
  icon.SetBalloonHelpTimeOut(0);
}

}  // namespace kv
