// Waiting for the next frame's time; each system waits its own way.
#pragma once

#include <chrono>

namespace plumo {

using Clock = std::chrono::steady_clock;

// Returns at `target` or, where the system shows frames only between calls
// into the program, at the first chance to show one close to it.
void WaitForFrame(Clock::time_point target);

}  // namespace plumo
