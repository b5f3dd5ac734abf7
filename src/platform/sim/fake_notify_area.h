#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/port/notify_area.h"

namespace kv::sim {

// An in-memory notification area. It records every request and call, answers requests from a
// script of outcomes (success once the script is used up), and keeps posted callbacks and
// running timers until the test delivers them.
class FakeNotifyArea final : public NotifyArea {
 public:
  struct Sent {
    NotifyRequest Request;
    NotifyIconRecord Record;
  };

  // Next requests fail with these codes in order (0 = succeed).
  std::deque<uint32_t> ScriptedErrors;
  uint32_t Version = 6u << 16;
  uint32_t DoubleClickMs = 500;
  Point Cursor;
  IconHandle AppIcon = 100;
  std::map<std::string, IconHandle> Resources;

  std::vector<Sent> Requests;
  bool Shown = false;  // an icon is registered
  NotifyIconRecord ShownRecord;
  int ForegroundCalls = 0;
  int CursorReads = 0;
  int PopTipCalls = 0;
  int ResetTipCalls = 0;
  std::vector<std::pair<uint32_t, uint32_t>> TipColors;
  std::map<uint32_t, uint32_t> Timers;  // running timers: id -> period
  std::deque<std::pair<intptr_t, uint32_t>> Posted;

  std::vector<NotifyRequest> RequestKinds() const {
    std::vector<NotifyRequest> kinds;
    for (const Sent& sent : Requests) kinds.push_back(sent.Request);
    return kinds;
  }

  void SetSink(NotifyAreaSink* sink) override { sink_ = sink; }
  NotifyAreaSink* Sink() const { return sink_; }

  bool Request(NotifyRequest request, const NotifyIconRecord& record) override {
    Requests.push_back({request, record});
    uint32_t error = 0;
    if (!ScriptedErrors.empty()) {
      error = ScriptedErrors.front();
      ScriptedErrors.pop_front();
    }
    if (error != 0) {
      lastError_ = error;
      return false;
    }
    // A real shell refuses to modify or delete an icon it does not have.
    if (request != NotifyRequest::Add && !Shown) {
      lastError_ = kErrorGenFailure;
      return false;
    }
    Shown = request != NotifyRequest::Delete;
    ShownRecord = record;
    return true;
  }
  uint32_t LastError() override { return lastError_; }
  void BringToForeground() override { ++ForegroundCalls; }
  uint32_t ShellVersion() override { return Version; }
  IconHandle ApplicationIcon() override { return AppIcon; }
  IconHandle LoadIcon(const std::string& name) override {
    const auto it = Resources.find(name);
    return it == Resources.end() ? kNoIcon : it->second;
  }
  void StartTimer(uint32_t timerId, uint32_t periodMs) override { Timers[timerId] = periodMs; }
  void KillTimer(uint32_t timerId) override { Timers.erase(timerId); }
  uint32_t DoubleClickTimeMs() override { return DoubleClickMs; }
  Point CursorPos() override {
    ++CursorReads;
    return Cursor;
  }
  void PostCallback(intptr_t wParam, uint32_t lParam) override {
    Posted.emplace_back(wParam, lParam);
  }
  void SetTipColors(uint32_t background, uint32_t text) override {
    TipColors.emplace_back(background, text);
  }
  void PopTip() override { ++PopTipCalls; }
  void ResetTipColors() override { ++ResetTipCalls; }

  // What the shell would do: deliver a callback, a restart notice, a timer tick.
  void Callback(intptr_t wParam, uint32_t lParam) {
    if (sink_) sink_->OnTrayCallback(wParam, lParam);
  }
  void ShellEvent(uint32_t lParam) { Callback(kTrayIconId, lParam); }
  void TaskbarCreated() {
    Shown = false;
    if (sink_) sink_->OnTaskbarCreated();
  }
  // Ticks timer `timerId` if it runs; returns whether it did.
  bool TickTimer(uint32_t timerId) {
    if (!Timers.contains(timerId)) return false;
    if (sink_) sink_->OnTimer(timerId);
    return true;
  }
  // Delivers the callbacks posted so far (and those they post in turn).
  void DeliverPosted() {
    while (!Posted.empty()) {
      const auto [wParam, lParam] = Posted.front();
      Posted.pop_front();
      Callback(wParam, lParam);
    }
  }

 private:
  NotifyAreaSink* sink_ = nullptr;
  uint32_t lastError_ = 0;
};

}  // namespace kv::sim
