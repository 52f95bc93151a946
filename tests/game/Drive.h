// The real game library, bound by the program's own start-up code in this process and driven
// by a Controller choosing each next frame's buttons; button changes also make a replay.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "frame/GameScene.h"

namespace morva::game_test {

// Buttons of pad 0 as the game reads them; kJump is the space key.
inline constexpr int64_t kJump = 0, kDash = 1, kAttack = 2;
inline constexpr int64_t kLeft = 12, kRight = 13, kUp = 14, kDown = 15;
using HeldButtons = std::array<bool, 16>;

struct Controller {
    virtual ~Controller() = default;
    virtual HeldButtons OnGameFrame(const GameFrameView& view) = 0;  // held in the next frame
    virtual HeldButtons OnTitleFrame() { return {}; }
    virtual bool Done() const { return false; }  // asked after every Act; true ends the run
};

struct RealRunOptions {
    int64_t seed = 1;
    std::string tracePath = "";  // PLUMO_TRACE, empty for none
    std::string video = "none";
    bool writeReplay = true;  // off where the test's own allocations would count
    int64_t (*allocationCount)() = [] { return int64_t{0}; };  // the process's, if counted
};

struct RealRunResult {
    int exitCode = -1;
    int64_t acts = 0;
    std::string replay;  // `seed <n>` then `<frame> <button> down|up`
};

RealRunResult RunRealGame(Controller& controller, const RealRunOptions& options);

// The program's allocations outside the library's Act plus the library's AllocMem calls.
int64_t GameAllocations();

// Turns to the nearest rock on its line, swings in reach, chains while the window is open,
// jumps back from one too close, walks or dashes to a far one; taps space on title and retry.
struct Bot : Controller {
    HeldButtons OnGameFrame(const GameFrameView& view) override;
    HeldButtons OnTitleFrame() override { return last = {!last[kJump]}; }  // a tap of space
    void Tap(int64_t button) { next[button] = !last[button]; }             // a push, not a hold
    HeldButtons last{}, next{};
};

}  // namespace morva::game_test
