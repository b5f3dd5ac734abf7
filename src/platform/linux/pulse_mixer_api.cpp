#include "platform/linux/pulse_mixer_api.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/rtclock.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>
#include <pulse/volume.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <vector>

namespace kv::linux_backend {
namespace {

constexpr uint32_t kConnectTimeoutMs = 1000;
constexpr uint32_t kRequestTimeoutMs = 500;
// After the server failed to answer in time, calls fail at once for this long instead of
// waiting for it again on every button press.
constexpr auto kHungServerPause = std::chrono::seconds(3);
constexpr uint32_t kMaxScale = 65535;
constexpr uint32_t kLineActive = 1;
constexpr const char* kDefaultSink = "@DEFAULT_SINK@";
constexpr const char* kClientName = "Kestrovane";

// Holds the threaded main loop's lock: libpulse objects are only touched under it.
class LoopLock {
 public:
  explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
  ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
  LoopLock(const LoopLock&) = delete;
  LoopLock& operator=(const LoopLock&) = delete;

 private:
  pa_threaded_mainloop* loop_;
};

struct SinkState {
  bool Found = false;
  pa_cvolume Volume{};
  bool Mute = false;
  std::string Name;
  std::string Description;
};

struct ServerState {
  bool Found = false;
  std::string Name;
  std::string Version;
};

// The state of one request, filled by its callback on the main loop's thread.
template <class Result>
struct Request {
  pa_threaded_mainloop* Loop;
  Result* Out;
  bool Done = false;
};

void SignalLoop(pa_context*, void* loop) {
  pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* data) {
  auto* request = static_cast<Request<SinkState>*>(data);
  if (eol == 0 && info != nullptr) {
    request->Out->Found = true;
    request->Out->Volume = info->volume;
    request->Out->Mute = info->mute != 0;
    request->Out->Name = info->name != nullptr ? info->name : "";
    request->Out->Description = info->description != nullptr ? info->description : "";
  } else {
    request->Done = true;
  }
  pa_threaded_mainloop_signal(request->Loop, 0);
}

void OnServerInfo(pa_context*, const pa_server_info* info, void* data) {
  auto* request = static_cast<Request<ServerState>*>(data);
  if (info != nullptr) {
    request->Out->Found = true;
    request->Out->Name = info->server_name != nullptr ? info->server_name : "";
    request->Out->Version = info->server_version != nullptr ? info->server_version : "";
  }
  request->Done = true;
  pa_threaded_mainloop_signal(request->Loop, 0);
}

void OnSuccess(pa_context*, int success, void* data) {
  auto* request = static_cast<Request<bool>*>(data);
  *request->Out = success != 0;
  request->Done = true;
  pa_threaded_mainloop_signal(request->Loop, 0);
}

}  // namespace

uint32_t PulseVolumeToScale(uint32_t pulseVolume) {
  const uint64_t volume = std::min<uint64_t>(pulseVolume, PA_VOLUME_MAX);
  return static_cast<uint32_t>((volume * kMaxScale + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM);
}

uint32_t ScaleToPulseVolume(uint32_t scaled) {
  const uint64_t volume = (uint64_t{scaled} * PA_VOLUME_NORM + kMaxScale / 2) / kMaxScale;
  return static_cast<uint32_t>(std::min<uint64_t>(volume, PA_VOLUME_MAX));
}

struct PulseMixerApi::Impl {
  // The change sinks of the open handles. Only touched on the user-interface thread; change
  // messages posted from the main loop's thread hold it weakly, so they find nothing once the
  // backend is gone.
  struct Handles {
    std::map<MixerHandle, MixerChangeSink*> Sinks;
  };

  Impl(std::string serverName, UiPoster uiPoster)
      : server(std::move(serverName)), poster(std::move(uiPoster)) {
    loop = pa_threaded_mainloop_new();
    if (loop != nullptr && pa_threaded_mainloop_start(loop) < 0) {
      pa_threaded_mainloop_free(loop);
      loop = nullptr;
    }
  }

  ~Impl() {
    if (loop == nullptr) return;
    {
      LoopLock lock(loop);
      DropContext();
    }
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
  }

  bool Valid(MixerHandle mixer) const { return handles->Sinks.count(mixer) > 0; }

  bool Ready() const {
    return context != nullptr && pa_context_get_state(context) == PA_CONTEXT_READY;
  }

  bool ContextFailed() const { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); }

  void DropContext() {
    if (context == nullptr) return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
  }

  // The server did not answer in time: give up the connection and pause before the next try.
  void MarkHung() {
    DropContext();
    hungUntil = std::chrono::steady_clock::now() + kHungServerPause;
  }

  // Waits on the main loop, its lock held, until `done` holds or `timeoutMs` has passed.
  template <class Done>
  bool Wait(Done done, uint32_t timeoutMs) {
    struct Timer {
      pa_threaded_mainloop* Loop;
      bool Expired = false;
    } timer{loop};
    const auto expire = [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
      auto* t = static_cast<Timer*>(data);
      t->Expired = true;
      pa_threaded_mainloop_signal(t->Loop, 0);
    };
    pa_time_event* event = pa_context_rttime_new(
        context, pa_rtclock_now() + uint64_t{timeoutMs} * PA_USEC_PER_MSEC, expire, &timer);
    if (event == nullptr) return done();
    while (!done() && !timer.Expired) pa_threaded_mainloop_wait(loop);
    pa_threaded_mainloop_get_api(loop)->time_free(event);
    return done();
  }

  // Connects (lock held) unless connected; false when no server answers in time.
  bool Connect() {
    if (loop == nullptr) return false;
    if (Ready()) return true;
    DropContext();
    if (std::chrono::steady_clock::now() < hungUntil) return false;
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), kClientName);
    if (context == nullptr) return false;
    pa_context_set_state_callback(context, SignalLoop, loop);
    if (pa_context_connect(context, server.empty() ? nullptr : server.c_str(),
                           PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      DropContext();
      return false;
    }
    const bool settled = Wait([this] { return Ready() || ContextFailed(); }, kConnectTimeoutMs);
    if (!settled) MarkHung();
    if (!Ready()) {
      DropContext();
      return false;
    }
    if (WantsChanges()) Subscribe();
    return true;
  }

  bool WantsChanges() const {
    return std::any_of(handles->Sinks.begin(), handles->Sinks.end(),
                       [](const auto& entry) { return entry.second != nullptr; });
  }

  void Subscribe() {
    pa_context_set_subscribe_callback(context, OnServerEvent, this);
    pa_operation* op =
        pa_context_subscribe(context,
                             static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                                 PA_SUBSCRIPTION_MASK_SERVER),
                             nullptr, nullptr);
    if (op != nullptr) pa_operation_unref(op);
  }

  // On the main loop's thread: a sink changed (volume, mute) or the server did (its default
  // sink). Hands the change to the user-interface thread.
  static void OnServerEvent(pa_context*, pa_subscription_event_type_t type, uint32_t, void* data) {
    const auto* self = static_cast<Impl*>(data);
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE) return;
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const bool lineChange = facility == PA_SUBSCRIPTION_EVENT_SERVER;
    if (!lineChange && facility != PA_SUBSCRIPTION_EVENT_SINK) return;
    std::weak_ptr<Handles> weak = self->handles;
    self->poster([weak, lineChange] {
      const std::shared_ptr<Handles> handles = weak.lock();
      if (!handles) return;
      // A sink may close its device from inside the call: deliver to a copy.
      const auto sinks = handles->Sinks;
      for (const auto& [handle, sink] : sinks) {
        if (sink == nullptr || handles->Sinks.count(handle) == 0) continue;
        if (lineChange) {
          sink->MixerLineChange(handle, kLineId);
        } else {
          sink->MixerControlChange(handle, kVolumeControlId);
          sink->MixerControlChange(handle, kMuteControlId);
        }
      }
    });
  }

  // Ends a request (lock held): waits for its callback, cancels it on time-out.
  bool Finish(pa_operation* op, const bool& done) {
    if (op == nullptr) return false;
    Wait([&] { return done || ContextFailed(); }, kRequestTimeoutMs);
    if (!done) pa_operation_cancel(op);
    pa_operation_unref(op);
    if (!done && !ContextFailed()) MarkHung();
    return done;
  }

  bool ReadSink(SinkState& sink) {
    if (!Connect()) return false;
    Request<SinkState> request{loop, &sink};
    return Finish(pa_context_get_sink_info_by_name(context, kDefaultSink, OnSinkInfo, &request),
                  request.Done) &&
           sink.Found && sink.Volume.channels > 0;
  }

  bool ReadServer(ServerState& state) {
    if (!Connect()) return false;
    Request<ServerState> request{loop, &state};
    return Finish(pa_context_get_server_info(context, OnServerInfo, &request), request.Done) &&
           state.Found;
  }

  bool WriteVolume(std::span<const uint32_t> values) {
    SinkState sink;
    if (!ReadSink(sink)) return false;
    pa_cvolume volume = sink.Volume;
    for (uint8_t i = 0; i < volume.channels; ++i) {
      const uint32_t wanted = values[std::min<std::size_t>(i, values.size() - 1)];
      // The scale has one value fewer than the server's range up to its normal volume, so not
      // every server volume survives the trip through the scale: a channel asked to keep the
      // level it reads keeps its exact volume.
      if (wanted != PulseVolumeToScale(volume.values[i])) {
        volume.values[i] = ScaleToPulseVolume(wanted);
      }
    }
    bool ok = false;
    Request<bool> request{loop, &ok};
    return Finish(pa_context_set_sink_volume_by_name(context, kDefaultSink, &volume, OnSuccess,
                                                     &request),
                  request.Done) &&
           ok;
  }

  bool WriteMute(bool mute) {
    if (!Connect()) return false;
    bool ok = false;
    Request<bool> request{loop, &ok};
    return Finish(pa_context_set_sink_mute_by_name(context, kDefaultSink, mute ? 1 : 0, OnSuccess,
                                                   &request),
                  request.Done) &&
           ok;
  }

  const std::string server;
  const UiPoster poster;
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;  // under the loop lock
  std::chrono::steady_clock::time_point hungUntil{};
  const std::shared_ptr<Handles> handles = std::make_shared<Handles>();
  MixerHandle nextHandle = 1;
};

PulseMixerApi::PulseMixerApi(std::string server, UiPoster poster)
    : impl_(std::make_unique<Impl>(std::move(server), std::move(poster))) {}

PulseMixerApi::~PulseMixerApi() = default;

uint32_t PulseMixerApi::DeviceCount() {
  if (impl_->loop == nullptr) return 0;
  LoopLock lock(impl_->loop);
  return impl_->Connect() ? 1 : 0;
}

MixerHandle PulseMixerApi::Open(uint32_t device, MixerChangeSink* sink) {
  if (impl_->loop == nullptr || device != 0 || (sink != nullptr && !impl_->poster)) {
    return kInvalidMixerHandle;
  }
  LoopLock lock(impl_->loop);
  if (!impl_->Connect()) return kInvalidMixerHandle;
  const bool subscribe = sink != nullptr && !impl_->WantsChanges();
  const MixerHandle handle = impl_->nextHandle++;
  impl_->handles->Sinks[handle] = sink;
  if (subscribe) impl_->Subscribe();
  return handle;
}

void PulseMixerApi::Close(MixerHandle mixer) { impl_->handles->Sinks.erase(mixer); }

bool PulseMixerApi::GetCaps(MixerHandle mixer, MixerCaps& caps) {
  if (!impl_->Valid(mixer)) return false;
  LoopLock lock(impl_->loop);
  ServerState server;
  if (!impl_->ReadServer(server)) return false;
  caps = MixerCaps{};
  caps.DriverVersion = pa_context_get_server_protocol_version(impl_->context);
  caps.ProductName = server.Name + " " + server.Version;
  caps.Destinations = 1;
  return true;
}

bool PulseMixerApi::GetDestinationLine(MixerHandle mixer, uint32_t destination, MixerLine& line) {
  if (!impl_->Valid(mixer) || destination != 0) return false;
  LoopLock lock(impl_->loop);
  SinkState sink;
  if (!impl_->ReadSink(sink)) return false;
  line = MixerLine{};
  line.LineId = kLineId;
  line.Status = kLineActive;
  line.ComponentType = kMixerComponentDestinationSpeakers;
  line.Channels = sink.Volume.channels;
  line.Controls = 2;
  line.ShortName = sink.Name;
  line.Name = sink.Description;
  return true;
}

bool PulseMixerApi::GetSourceLine(MixerHandle, uint32_t, uint32_t, MixerLine&) { return false; }

bool PulseMixerApi::GetLineControls(MixerHandle mixer, uint32_t lineId, uint32_t count,
                                    std::vector<MixerControl>& controls) {
  if (!impl_->Valid(mixer) || lineId != kLineId || count != 2) return false;
  MixerControl volume;
  volume.ControlId = kVolumeControlId;
  volume.ControlType = kMixerControlTypeVolume;
  volume.Maximum = static_cast<int32_t>(kMaxScale);
  volume.Steps = kMaxScale + 1;
  volume.ShortName = volume.Name = "Volume";
  MixerControl mute;
  mute.ControlId = kMuteControlId;
  mute.ControlType = kMixerControlTypeMute;
  mute.Flags = kMixerControlFlagUniform;
  mute.Maximum = 1;
  mute.Steps = 2;
  mute.ShortName = mute.Name = "Mute";
  controls = {volume, mute};
  return true;
}

bool PulseMixerApi::GetControlValues(MixerHandle mixer, uint32_t controlId, uint32_t channels,
                                     std::vector<uint32_t>& values) {
  if (!impl_->Valid(mixer) || (controlId != kVolumeControlId && controlId != kMuteControlId)) {
    return false;
  }
  LoopLock lock(impl_->loop);
  SinkState sink;
  if (!impl_->ReadSink(sink)) return false;
  values.assign(channels, sink.Mute ? 1 : 0);
  if (controlId == kVolumeControlId) {
    for (uint32_t i = 0; i < channels; ++i) {
      values[i] =
          PulseVolumeToScale(sink.Volume.values[std::min<uint32_t>(i, sink.Volume.channels - 1)]);
    }
  }
  return true;
}

bool PulseMixerApi::SetControlValues(MixerHandle mixer, uint32_t controlId,
                                     std::span<const uint32_t> values) {
  if (!impl_->Valid(mixer) || values.empty()) return false;
  LoopLock lock(impl_->loop);
  if (controlId == kVolumeControlId) return impl_->WriteVolume(values);
  if (controlId == kMuteControlId) return impl_->WriteMute(values[0] != 0);
  return false;
}

}  // namespace kv::linux_backend
