#include "Failures.h"

#include <cstdio>

#include "FloatingPoint.h"
#include "ReturnAddress.h"

namespace plumo {
namespace {

uint64_t* gFailureCell = nullptr;
void (*gFlush)() = nullptr;

void FlushBeforeFailure() {
    if (gFlush != nullptr) {
        gFlush();
    }
}

}  // namespace

void SetFailureCell(uint64_t* cell) {
    gFailureCell = cell;
}

void SetFailureFlush(void (*flush)()) {
    gFlush = flush;
}

// Not inlined, so the address it reports is inside the export that failed.
__attribute__((noinline)) void Raise(int64_t code, const std::string& message) {
    // Pad and the draws raise before they take a guard of their own.
    FpGuard guard;
    if (gFailureCell != nullptr && *gFailureCell == 0) {
        *gFailureCell = PLUMO_RETURN_ADDRESS();
    }
    if (code == kQuietEnd) {
        // An output that cannot be written out makes the quiet end a failure.
        FlushBeforeFailure();
    } else {
        // The failure under way is the one to report; the run fails either way.
        try {
            FlushBeforeFailure();
        } catch (const Failure&) {
        }
    }
    throw Failure(code, message);
}

void Warn(const std::string& message) {
    // One write, so lines from elsewhere never cut into it. Should standard
    // error itself fail, there is nowhere left to say so.
    const std::string line = "plumo: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace plumo
