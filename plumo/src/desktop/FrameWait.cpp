#include "FrameWait.h"

#include <thread>

namespace plumo {
namespace {

// Sleeping overshoots by tens of microseconds; the last stretch is spun.
constexpr auto kSpinBeforeFrame = std::chrono::microseconds(300);

}  // namespace

void WaitForFrame(Clock::time_point target) {
    if (target - Clock::now() > kSpinBeforeFrame) {
        std::this_thread::sleep_until(target - kSpinBeforeFrame);
    }
    while (Clock::now() < target) {
        std::this_thread::yield();
    }
}

void HoldFrame(Clock::time_point target) {
    WaitForFrame(target);
}

}  // namespace plumo
