#include "core/tray/task_tray_icon.h"

#include <utility>

namespace kv {

std::string CutText(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  size_t n = maxBytes;
  // Back off over UTF-8 continuation bytes so the cut lands on a character boundary.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return std::string(text.substr(0, n));
}

std::string LimitTip(std::string_view tip, uint32_t shellVersion) {
  if (shellVersion >= kShellVersion5) return CutText(tip, kTipLimitLong);
  // Older shells show a single line.
  std::string joined;
  joined.reserve(tip.size());
  for (size_t i = 0; i < tip.size(); ++i) {
    if (tip[i] == '\r' && i + 1 < tip.size() && tip[i + 1] == '\n') {
      joined += ' ';
      ++i;
    } else {
      joined += tip[i];
    }
  }
  return CutText(joined, kTipLimitShort);
}

TTaskTrayIcon::TTaskTrayIcon(NotifyArea& area, Clock& clock, UiDispatcher& ui)
    : area_(area), clock_(clock), shellVersion_(area.ShellVersion()) {
  tracker_ = std::make_unique<TToolTipStyle>(
      area, clock, ui,
      [this](intptr_t wParam, uint32_t lParam) { OnTrayCallback(wParam, lParam); });
  area_.SetSink(this);
}

TTaskTrayIcon::~TTaskTrayIcon() {
  area_.SetSink(nullptr);
  owner_ = nullptr;
  tracker_.reset();
  RemoveIcon();
}

void TTaskTrayIcon::SetTip(std::string_view tip) { record_.Tip = LimitTip(tip, shellVersion_); }

void TTaskTrayIcon::SetBalloonTitle(std::string_view title) {
  record_.BalloonTitle = CutText(title, kBalloonTitleLimit);
}

void TTaskTrayIcon::SetBalloonText(std::string_view text) {
  record_.BalloonText = CutText(text, kBalloonTextLimit);
}

void TTaskTrayIcon::FillRecord() {
  if (shellVersion_ >= kShellVersion5) {
    record_.Size = kNotifyRecordSizeLong;
    record_.StateMask = 0;
    record_.BalloonFlags = 0;
  } else {
    record_.Size = kNotifyRecordSizeShort;
  }
  record_.Id = kTrayIconId;
  record_.CallbackMessage = kTrayCallbackMessage;
  record_.Flags = kNotifyFlagMessage | kNotifyFlagIcon | kNotifyFlagTip;
}

bool TTaskTrayIcon::RequestAdd() {
  if (DoForegroundWindow) area_.BringToForeground();
  return area_.Request(NotifyRequest::Add, record_);
}

void TTaskTrayIcon::AddIcon() {
  if (iconAdded_) return;
  FillRecord();
  if (record_.Icon == kNoIcon) return;
  if (RequestAdd()) {
    iconAdded_ = true;
    return;
  }
  RetryAdd();
}

void TTaskTrayIcon::RetryAdd() {
  // A time-out may mean the shell registered the icon but answered late (busy at logon), so
  // each retry first tries to modify the icon and only then to add it again.
  for (int counter = kAddRetryCounterStart; !iconAdded_ && counter >= 0;) {
    if (area_.LastError() != kErrorTimeout) throw ENotifyIconError(kTextCannotRegisterIcon);
    clock_.SleepMs(kAddRetryWaitMs);
    if (area_.Request(NotifyRequest::Modify, record_) || RequestAdd()) {
      iconAdded_ = true;
    } else if (counter == 0) {
      throw ENotifyIconError(kTextCannotChangeIcon);
    } else {
      --counter;
    }
  }
}

bool TTaskTrayIcon::ModifyIcon() {
  if (!iconAdded_) {
    AddIcon();
  } else if (record_.Icon == kNoIcon) {
    return false;
  } else {
    if (DoForegroundWindow) area_.BringToForeground();
    if (!area_.Request(NotifyRequest::Modify, record_) && area_.LastError() != kErrorTimeout) {
      // The shell lost the icon; register it anew. Failing that, it stays unregistered.
      iconAdded_ = false;
      try {
        AddIcon();
      } catch (const ENotifyIconError&) {
      }
    }
  }
  return iconAdded_;
}

void TTaskTrayIcon::RemoveIcon() {
  if (!iconAdded_) return;
  area_.Request(NotifyRequest::Delete, record_);
  iconAdded_ = false;
}

void TTaskTrayIcon::OnTaskbarCreated() {
  // The new notification area knows no icons; bring back only one that was shown.
  if (!iconAdded_) return;
  iconAdded_ = false;
  try {
    AddIcon();
  } catch (const ENotifyIconError& error) {
    if (!OnError) throw;
    OnError(error);
  }
}

void TTaskTrayIcon::OnTrayCallback(intptr_t wParam, uint32_t lParam) {
  if (tracker_) tracker_->HandleCallback(wParam, lParam);
  if (owner_) owner_(wParam, lParam);
}

void TTaskTrayIcon::OnTimer(uint32_t timerId) {
  if (tracker_) tracker_->HandleTimer(timerId);
}

}  // namespace kv
