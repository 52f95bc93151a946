// Whether the system names a display to open a window on; each system knows
// its own way.
#pragma once

#include <string>

namespace plumo {

// Why no window can be shown, or "" when there is a display.
std::string MissingDisplay();

}  // namespace plumo
