#pragma once

#include "core/actions/assign.h"
#include "core/settings/settings.h"

namespace kv {

// The settings of a demonstration run: every value as a start without config.ini has it (so the
// built-in scenario moves the cursor the same way on every machine), except that Plus and Minus
// step the master volume up and down, which no default assignment does.
void DemoSettings(TKestrovaneSetting& settings, TWiimoteButtonAssign& assign);

}  // namespace kv
