// The sim ports are mostly header-only; this unit anchors the library.
#include "platform/sim/fake_clock.h"
#include "platform/sim/sim_timer.h"
