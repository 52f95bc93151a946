// The program's icon, rendered from assets/icon by the asset build and
// embedded in the executable: images of 16, 32, 48 and 64 pixels.
#pragma once

#include <plumo/Abi.h>

namespace morva {

const plumo::Icon& ProgramIcon();

}  // namespace morva
