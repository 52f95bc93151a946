// Pieces every part of the library shares: the floating-point guard and the
// way failures leave an export.
#pragma once

#include <cfenv>
#include <cstdint>
#include <string>

// Failure's type information has to match the program's, so the ABI header is
// seen with default visibility even though the library hides everything else.
#pragma GCC visibility push(default)
#include "plumo/Abi.h"
#pragma GCC visibility pop

namespace plumo {

// The program runs with round-toward-zero and the invalid-operation trap on;
// neither may reach SDL, the GL driver or the threads they start.
class FpGuard {
public:
    FpGuard() {
        fegetenv(&saved_);
        fesetenv(FE_DFL_ENV);
    }
    ~FpGuard() { fesetenv(&saved_); }
    FpGuard(const FpGuard&) = delete;
    FpGuard& operator=(const FpGuard&) = delete;

private:
    fenv_t saved_;
};

// Where Raise reports the raising address; null until Init has seen a valid
// parameter record.
void SetFailureCell(uint64_t* cell);

// Called before a failure leaves the library, so nothing written is lost.
void FlushBeforeFailure();

[[noreturn]] void Raise(int64_t code, const std::string& message);

}  // namespace plumo
