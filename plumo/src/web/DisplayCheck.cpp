#include "DisplayCheck.h"

namespace plumo {

// A page always has its canvas.
std::string MissingDisplay() {
    return "";
}

}  // namespace plumo
