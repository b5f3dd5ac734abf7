// Any bytes as config.ini: load, save, load again. The second load must give what the first
// gave, and saving that again must not change a byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "core/settings/settings_file.h"
#include "platform/sim/memory_file_store.h"

namespace {

#define CHECK(condition)                                                     \
  do {                                                                       \
    if (!(condition)) {                                                      \
      fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__); \
      abort();                                                               \
    }                                                                        \
  } while (0)

auto Fields(const kv::TKestrovaneSetting& s) {
  return std::tie(s.CursorMode, s.SensorThreshold, s.InvertH, s.InvertV, s.OnPush, s.BaseX, s.BaseY,
                  s.BaseZ, s.RumbleOnEdge, s.UseMotionWhenLostIR, s.SpeedFast, s.SpeedSlow,
                  s.MinimizeOnStartup, s.Recalibrate);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::filesystem::path file = "/opt/kestrovane/config.ini";
  kv::sim::MemoryFileStore store;
  store.PutFile(file, std::string(reinterpret_cast<const char*>(bytes), size));

  kv::TKestrovaneSetting first, second;
  kv::TWiimoteButtonAssign firstAssign, secondAssign;
  kv::LoadSettings(store, file, first, firstAssign);
  kv::SaveSettings(store, file, first, firstAssign);
  const std::string saved = *store.FileBytes(file);

  kv::LoadSettings(store, file, second, secondAssign);
  CHECK(Fields(first) == Fields(second));
  CHECK(firstAssign == secondAssign);
  kv::SaveSettings(store, file, second, secondAssign);
  CHECK(*store.FileBytes(file) == saved);
  return 0;
}
