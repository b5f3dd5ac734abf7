#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace kv {

class THidDevice;
class THidDeviceController;

// An event handler: a callable with an identity.
//
// The controller hands a new handler on only to the devices that still hold its previous one,
// which needs a way to tell handlers apart. Arbitrary callables cannot be compared, so a
// handler's identity is the handler object it was created as: copies of one handler compare
// equal, two handlers made separately compare different even when they wrap the same code,
// and all empty handlers compare equal. Copying is cheap (the callable is shared).
template <typename Signature>
class THandler;

template <typename R, typename... Args>
class THandler<R(Args...)> {
 public:
  THandler() = default;
  THandler(std::nullptr_t) {}  // NOLINT(google-explicit-constructor): lets `{}`/nullptr clear

  template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, THandler> &&
                                                    std::is_invocable_r_v<R, F&, Args...>>>
  THandler(F&& fn)  // NOLINT(google-explicit-constructor): handlers are assigned from lambdas
      : fn_(std::make_shared<const std::function<R(Args...)>>(std::forward<F>(fn))) {}

  explicit operator bool() const { return fn_ != nullptr; }

  // Calls the handler; calling an empty handler is a programming error (check first).
  R operator()(Args... args) const { return (*fn_)(std::forward<Args>(args)...); }

  friend bool operator==(const THandler& a, const THandler& b) { return a.fn_ == b.fn_; }
  friend bool operator!=(const THandler& a, const THandler& b) { return !(a == b); }

 private:
  std::shared_ptr<const std::function<R(Args...)>> fn_;
};

// A device arrived, left, or was found unplugged.
using THidPlugEvent = THandler<void(THidDevice& HidDev)>;
// An input report of a checked-out device, on the user-interface thread. `Data` points at the
// byte after the report ID and is valid only during the call; `Size` counts the bytes there.
using THidDataEvent =
    THandler<void(THidDevice& HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size)>;
// A device's read failed to start; `Error` is the system error code.
using THidDataErrorEvent = THandler<void(THidDevice& HidDev, uint32_t Error)>;
// Stored by the controller for its owner; nothing raises it.
using THidEnumerateEvent = THandler<bool(THidDevice& HidDev, int Idx)>;
// A plain notification; `Sender` is the controller.
using TNotifyEvent = THandler<void(THidDeviceController& Sender)>;

}  // namespace kv
