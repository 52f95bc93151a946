// What the buttons do to the hero in the game scene, read from one frame's
// input. Each writes the controls through the player's accessors; the
// player's own Update then acts on them.
#pragma once

#include <array>
#include <cstdint>

#include "engine/InputState.h"
#include "game/Player.h"

namespace morva {

// Screen heights of the lines, index 0 at the top (farthest back).
inline constexpr std::array<int64_t, 5> kLineY = {400, 500, 600, 700, 800};  // pixels
inline constexpr int64_t kTopLine = 0;
inline constexpr int64_t kBottomLine = static_cast<int64_t>(kLineY.size()) - 1;

// Standing on a line: walking, the backward jump, line changes, attacks.
void GroundControls(const InputState& input, Player& player);
// Also in the air; Dash is read as held so that it joins a walk at once.
void MovementControls(const InputState& input, Player& player);
void AttackChain(const InputState& input, Player& player);

}  // namespace morva
