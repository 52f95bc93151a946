// Library button numbers of pad 0 as the game reads them.
#pragma once

#include <cstdint>

namespace morva::game_test {

inline constexpr int64_t kJump = 0;  // the space key
inline constexpr int64_t kDash = 1;
inline constexpr int64_t kAttack = 2;
inline constexpr int64_t kLeft = 12;
inline constexpr int64_t kRight = 13;
inline constexpr int64_t kUp = 14;
inline constexpr int64_t kDown = 15;
inline constexpr int64_t kButtonCount = 16;

}  // namespace morva::game_test
