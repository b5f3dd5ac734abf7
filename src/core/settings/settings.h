#pragma once

#include <cstdint>
#include <string>

namespace kv {

// All user settings, in the order config.ini lists them.
struct TKestrovaneSetting {
  std::string CursorMode;  // "Motion" or "IR"; any other text moves nothing
  int32_t SensorThreshold = 0;
  bool InvertH = false;
  bool InvertV = false;
  std::string OnPush;  // "Slower" or "Faster"
  int32_t BaseX = 0;
  int32_t BaseY = 0;
  int32_t BaseZ = 0;
  bool RumbleOnEdge = false;
  bool UseMotionWhenLostIR = false;
  int32_t SpeedFast = 0;
  int32_t SpeedSlow = 0;
  bool MinimizeOnStartup = false;
  bool Recalibrate = false;
};

// The one settings record of the running program (empty until loaded). Core classes take a
// reference instead of using this directly.
extern TKestrovaneSetting Settings;

}  // namespace kv
