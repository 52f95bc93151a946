// The real game library loaded and bound by the program's own start-up code
// in this process, driven by a Controller that reads the game's snapshot
// after each frame and chooses the buttons of the next; every button change
// is also written as a replay line. One such controller is a bot that plays
// whole games.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/GameScene.h"

namespace morva::game_test {

// Buttons of pad 0 as the game reads them; kJump is the space key.
inline constexpr int64_t kJump = 0, kDash = 1, kAttack = 2;
inline constexpr int64_t kLeft = 12, kRight = 13, kUp = 14, kDown = 15;
inline constexpr int64_t kButtonCount = 16;

using HeldButtons = std::array<bool, kButtonCount>;

class Controller {
public:
    virtual ~Controller() = default;
    // Buttons held in the frame after the one shown.
    virtual HeldButtons OnGameFrame(const GameFrameView& view) = 0;
    virtual HeldButtons OnTitleFrame() { return {}; }
    // Asked after every Act of a real run; true ends it quietly.
    virtual bool Done() const { return false; }
};

struct RealRunOptions {
    int64_t seed = 1;
    std::string tracePath;  // PLUMO_TRACE, empty for none
    std::string video = "none";
    bool writeReplay = true;  // off where the test's own allocations would count
    // The process's allocation count, to tell apart those inside the
    // library's Act; null when nobody counts.
    int64_t (*allocationCount)() = nullptr;
};

struct RealRunResult {
    int exitCode = -1;
    int64_t acts = 0;
    std::string replay;  // `seed <n>` then `<frame> <button> down|up`
};

RealRunResult RunRealGame(Controller& controller, const RealRunOptions& options);

// The allocations of the game itself so far: the program's outside the
// library's Act plus the library's AllocMem calls.
int64_t GameAllocations();

// A player that reads the game's snapshot each frame: it turns to the nearest
// rock on its line, swings when the rock is within reach, chains while the
// window is open, jumps back from a rock too close, and walks or dashes to a
// far one. On the title and on the retry offer it taps the space key.
class Bot : public Controller {
public:
    HeldButtons OnGameFrame(const GameFrameView& view) override;
    HeldButtons OnTitleFrame() override;

private:
    // Down this frame only if it was up in the last one, so it counts as a push.
    void Tap(int64_t button) { next[button] = !last[button]; }
    void Approach(const GameFrameView& view, const RockView& rock);

    HeldButtons last{};
    HeldButtons next{};
};

}  // namespace morva::game_test
