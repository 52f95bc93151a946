// Saving and switching the floating-point environment with C's <fenv.h>.
#pragma once

#include <cfenv>

namespace plumo {

using FloatingPointState = fenv_t;

// Returns the caller's environment and leaves the default one in force.
inline FloatingPointState EnterDefaultFloatingPoint() {
    FloatingPointState saved;
    fegetenv(&saved);
    fesetenv(FE_DFL_ENV);
    return saved;
}

inline void LeaveDefaultFloatingPoint(const FloatingPointState& saved) {
    fesetenv(&saved);
}

}  // namespace plumo
