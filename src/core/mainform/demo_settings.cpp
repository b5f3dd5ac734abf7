#include "core/mainform/demo_settings.h"

#include "core/actions/catalogue.h"
#include "core/settings/settings_file.h"

namespace kv {

void DemoSettings(TKestrovaneSetting& settings, TWiimoteButtonAssign& assign) {
  DefaultSettings(settings, assign);
  assign[kSlotPlus] = {std::string(kActionVolumeUp), std::string()};
  assign[kSlotMinus] = {std::string(kActionVolumeDown), std::string()};
}

}  // namespace kv
