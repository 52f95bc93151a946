// The floating-point environment every export runs in.
#pragma once

// From the folder of the system the library is built for.
#include "FloatingPointState.h"

namespace plumo {

// The program runs with round-toward-zero and the invalid-operation trap on;
// neither may reach SDL, the GL driver or the threads they start.
class FpGuard {
public:
    FpGuard() : saved(EnterDefaultFloatingPoint()) {}
    ~FpGuard() { LeaveDefaultFloatingPoint(saved); }
    FpGuard(const FpGuard&) = delete;
    FpGuard& operator=(const FpGuard&) = delete;

private:
    FloatingPointState saved;
};

}  // namespace plumo
