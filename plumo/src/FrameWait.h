// Waiting for the next frame's time; each system waits its own way.
#pragma once

#include <chrono>

namespace plumo {

using Clock = std::chrono::steady_clock;

// Returns at `target` (at once when it has passed) or, where the system shows
// frames only between calls into the program, at the first chance to show
// one close to it, and never without one.
void WaitForFrame(Clock::time_point target);

// Holds a drawn frame back until `target`, where frames are shown when the
// program says; where the system shows them in its own time (a page, once
// control is handed back), returns at once.
void HoldFrame(Clock::time_point target);

}  // namespace plumo
