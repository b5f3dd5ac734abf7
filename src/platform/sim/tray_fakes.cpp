// Compiles the header-only tray fakes with the library, so they are checked on every build.
#include "platform/sim/fake_notify_area.h"
#include "platform/sim/queued_ui_hand_off.h"
