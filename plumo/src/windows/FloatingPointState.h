// Saving and switching the floating-point environment on x86-64 Windows:
// MinGW's fesetenv(FE_DFL_ENV) resets the x87 unit only, so both control
// registers are handled here directly.
#pragma once

#include <xmmintrin.h>

namespace plumo {

struct FloatingPointState {
    unsigned int sse;    // MXCSR, flags included
    unsigned short x87;  // control word
};

// Every exception masked, round to nearest; x87 at 64-bit precision.
inline constexpr unsigned int kDefaultSse = 0x1F80;
inline constexpr unsigned short kDefaultX87 = 0x037F;

// Returns the caller's environment and leaves the default one in force.
inline FloatingPointState EnterDefaultFloatingPoint() {
    FloatingPointState saved{_mm_getcsr(), 0};
    __asm__ volatile("fnstcw %0" : "=m"(saved.x87));
    _mm_setcsr(kDefaultSse);
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(kDefaultX87));
    return saved;
}

inline void LeaveDefaultFloatingPoint(const FloatingPointState& saved) {
    // A flag raised in here must not trap the moment the caller's masks return.
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(saved.x87));
    _mm_setcsr(saved.sse);
}

}  // namespace plumo
