#include "platform/win32/multimedia_clock.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

namespace kv::win32_backend {

uint32_t MultimediaClock::NowMs() { return timeGetTime(); }

void MultimediaClock::SleepMs(uint32_t ms) { Sleep(ms); }

}  // namespace kv::win32_backend
