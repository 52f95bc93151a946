#include "DisplayCheck.h"

namespace plumo {

// A Windows session always has its desktop.
std::string MissingDisplay() {
    return "";
}

}  // namespace plumo
