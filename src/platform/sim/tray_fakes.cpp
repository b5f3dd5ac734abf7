// Compiles the header-only tray fake with the library, so it is checked on every build.
#include "platform/sim/fake_notify_area.h"
