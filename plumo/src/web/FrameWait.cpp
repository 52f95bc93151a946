#include "FrameWait.h"

#include <emscripten.h>

namespace plumo {
namespace {

// A page shows a frame only once the program hands control back. Frames come
// at the display's rate, which need not be the game's: a chance this close
// before the target is taken rather than waiting a whole display frame more.
constexpr auto kEarlyEnough = std::chrono::microseconds(4000);

// The next animation frame in a browser, a timer's turn under node.
// JavaScript inside, left as written.
// clang-format off
EM_ASYNC_JS(void, plumo_next_display_frame, (), {
    await new Promise(resume => {
        if (typeof requestAnimationFrame === 'function') {
            requestAnimationFrame(() => resume());
        } else {
            setTimeout(resume, 1);
        }
    });
});

// How many frames the page has shown: the browser tests follow the game by it.
EM_JS(void, plumo_count_frame, (), {
    Module.framesShown = (Module.framesShown || 0) + 1;
});
// clang-format on

}  // namespace

void WaitForFrame(Clock::time_point target) {
    do {
        plumo_next_display_frame();
    } while (Clock::now() < target - kEarlyEnough);
    plumo_count_frame();
}

void HoldFrame(Clock::time_point) {}

}  // namespace plumo
