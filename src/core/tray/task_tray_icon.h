#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/port/clock.h"
#include "core/port/notify_area.h"
#include "core/tray/tool_tip_style.h"
#include "core/ui/ui_dispatcher.h"

namespace kv {

// Raised when the icon cannot be put into the notification area.
class ENotifyIconError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Messages of ENotifyIconError (UTF-8): the icon cannot be registered in the notification area;
// the icon cannot be changed there.
inline constexpr char kTextCannotRegisterIcon[] = "タスクトレイにアイコンを登録できません。";
inline constexpr char kTextCannotChangeIcon[] = "タスクトレイのアイコンを変更できません。";

// A busy shell answers with a time-out; the add is then retried this many times plus one,
// waiting this long before each try (about 12 s in all, on the user-interface thread).
inline constexpr int kAddRetryCounterStart = 5;
inline constexpr uint32_t kAddRetryWaitMs = 2000;

// Shells from 5.0 on take the long record and tips of 127 bytes; older ones 63 bytes.
inline constexpr uint32_t kShellVersion5 = 5u << 16;
inline constexpr size_t kTipLimitLong = 127;
inline constexpr size_t kTipLimitShort = 63;
inline constexpr size_t kBalloonTitleLimit = 63;
inline constexpr size_t kBalloonTextLimit = 255;

// The first `maxBytes` bytes of UTF-8 text, shortened further so no character is cut in two.
std::string CutText(std::string_view text, size_t maxBytes);

// The tip as the shell of `shellVersion` takes it: 127 bytes from 5.0 on; before that each
// CR/LF pair becomes one space and 63 bytes remain.
std::string LimitTip(std::string_view tip, uint32_t shellVersion);

// One icon registered with the notification area: its record, the add/modify/remove requests
// with their retries, the re-add after a taskbar restart, and the routing of its callbacks
// through the click tracker to the owner's handler.
class TTaskTrayIcon final : public NotifyAreaSink {
 public:
  using MessageHandler = std::function<void(intptr_t wParam, uint32_t lParam)>;

  TTaskTrayIcon(NotifyArea& area, Clock& clock, UiDispatcher& ui);
  ~TTaskTrayIcon() override;
  TTaskTrayIcon(const TTaskTrayIcon&) = delete;
  TTaskTrayIcon& operator=(const TTaskTrayIcon&) = delete;

  uint32_t ShellVersion() const { return shellVersion_; }

  void SetTip(std::string_view tip);
  const std::string& Tip() const { return record_.Tip; }
  void SetIcon(IconHandle icon) { record_.Icon = icon; }
  IconHandle Icon() const { return record_.Icon; }
  void SetBalloonTitle(std::string_view title);
  void SetBalloonText(std::string_view text);
  void SetBalloonTimeOut(uint32_t ms) { record_.BalloonTimeOut = ms; }
  void SetBalloonIcon(uint32_t icon) { record_.BalloonFlags = icon; }
  const NotifyIconRecord& Record() const { return record_; }

  // Registers the icon; raises ENotifyIconError when the notification area refuses it.
  void AddIcon();
  // Updates the registered icon (registering it if needed). Returns whether it is registered.
  bool ModifyIcon();
  void RemoveIcon();
  bool IconAdded() const { return iconAdded_; }

  bool DoForegroundWindow = false;
  // Gets the errors of a re-add after a taskbar restart, which has no caller to raise them to
  // (the application shows them in its error box). Without it they are raised from
  // OnTaskbarCreated.
  std::function<void(const ENotifyIconError&)> OnError;
  void SetOwnerHandler(MessageHandler handler) { owner_ = std::move(handler); }
  TToolTipStyle& Tracker() { return *tracker_; }
  const TToolTipStyle& Tracker() const { return *tracker_; }

  void OnTrayCallback(intptr_t wParam, uint32_t lParam) override;
  void OnTaskbarCreated() override;
  void OnTimer(uint32_t timerId) override;

 private:
  void FillRecord();
  bool RequestAdd();
  void RetryAdd();

  NotifyArea& area_;
  Clock& clock_;
  uint32_t shellVersion_;
  NotifyIconRecord record_;
  bool iconAdded_ = false;
  MessageHandler owner_;
  std::unique_ptr<TToolTipStyle> tracker_;
};

}  // namespace kv
