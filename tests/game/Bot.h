// A player that reads the game's snapshot each frame and chooses the buttons
// of the next one: it steps onto a rock's line, stands a sword's length
// from it facing it, and swings, chaining while the window is open. On the
// retry offer it lets go of the space key.
#pragma once

#include <array>
#include <cstdint>

#include "Buttons.h"
#include "frame/GameScene.h"

namespace morva::game_test {

using HeldButtons = std::array<bool, kButtonCount>;

class Bot {
public:
    // Buttons held in the frame after the one shown.
    HeldButtons Decide(const GameFrameView& view);
    // The title screen: push the space key and let it go.
    HeldButtons DecideOnTitle();

private:
    // Down this frame only if it was up in the last one, so it counts as a push.
    void Tap(int64_t button);
    void Hold(int64_t button);
    // Holds the direction key, pushing it again when a walk was stopped.
    void Walk(const GameFrameView& view, int64_t direction, double distance);
    void Approach(const GameFrameView& view, const RockView& rock);

    HeldButtons last{};
    HeldButtons next{};
};

}  // namespace morva::game_test
