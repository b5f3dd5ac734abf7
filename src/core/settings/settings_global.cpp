#include "core/settings/settings.h"

namespace kv {

TKestrovaneSetting Settings;

}  // namespace kv
