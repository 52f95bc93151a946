// The floating-point setting every export runs in. WebAssembly has one
// setting only, rounding to nearest with no traps, which is the library's own;
// the program's toward-zero arithmetic is made by its build, not switched here.
#pragma once

namespace plumo {

class FpGuard {
public:
    // User-provided, as the desktop's are: a guard is never an unused variable.
    FpGuard() {}
    ~FpGuard() {}
    FpGuard(const FpGuard&) = delete;
    FpGuard& operator=(const FpGuard&) = delete;
};

}  // namespace plumo
