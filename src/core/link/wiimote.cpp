#include "core/link/wiimote.h"

namespace kv {

TWiimote Wiimote;

}  // namespace kv
