#include "DisplayCheck.h"

#include "Settings.h"

namespace plumo {

std::string MissingDisplay() {
    if (EnvText("DISPLAY") == nullptr && EnvText("WAYLAND_DISPLAY") == nullptr) {
        return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    }
    return "";
}

}  // namespace plumo
