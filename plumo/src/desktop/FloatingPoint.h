// The floating-point setting every export runs in.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace plumo {

// Only the control bits matter: rounding, the exception masks, and
// flush-to-zero. The sticky flags travel with the program's setting.
constexpr uint32_t kSseControlBits = 0xFFC0;
// Every exception masked, round to nearest: what the C runtime starts with.
constexpr uint32_t kDefaultSse = 0x1F80;
// The same for the x87 unit, with 64-bit precision.
constexpr uint16_t kDefaultX87 = 0x037F;
// Exception flags pending in the x87 status word.
constexpr uint16_t kX87Flags = 0x003F;

inline uint16_t X87Control() {
    uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

inline void SetX87Control(uint16_t word) {
    asm volatile("fldcw %0" : : "m"(word));
}

inline uint16_t X87Status() {
    uint16_t word;
    asm volatile("fnstsw %0" : "=am"(word));
    return word;
}

// The program runs with round-toward-zero and the invalid-operation trap on;
// neither may reach SDL, the drivers or the threads they start. Saving and
// restoring the whole environment cost more than the rest of a headless frame,
// so only the two control words switch, and only when they differ.
class FpGuard {
public:
    FpGuard() : sse(_mm_getcsr()), x87(X87Control()) {
        if ((sse & kSseControlBits) != kDefaultSse) {
            _mm_setcsr(kDefaultSse | (sse & ~kSseControlBits));
        }
        if (x87 != kDefaultX87) {
            SetX87Control(kDefaultX87);
        }
    }
    ~FpGuard() {
        if ((sse & kSseControlBits) != kDefaultSse) {
            _mm_setcsr(sse);
        }
        if (x87 != kDefaultX87) {
            // A flag the library raised (fmod runs on the x87) must not trap
            // at the program's next x87 instruction once its masks are back.
            if ((X87Status() & kX87Flags) != 0) {
                asm volatile("fnclex");
            }
            SetX87Control(x87);
        }
    }
    FpGuard(const FpGuard&) = delete;
    FpGuard& operator=(const FpGuard&) = delete;

private:
    const uint32_t sse;
    const uint16_t x87;
};

}  // namespace plumo
