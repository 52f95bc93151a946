// What the game scene shows of itself to tests and bots: one snapshot of
// plain numbers per frame, handed to an observer right before the frame's
// Act. The real program sets no observer and pays nothing for it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace morva {

// Enemy slots the snapshot has room for; the manager has this many.
inline constexpr int64_t kObservedSlots = 6;

struct RockView {
    bool active = false;
    double x = 0.0;  // play-field pixels
    double y = 0.0;
    int64_t targetLineY = 0;  // pixels
    int64_t state = 0;
    int64_t life = 0;
    int64_t lineMove = 0;
    int64_t dir = 0;
};

struct GameFrameView {
    int64_t frame = 0;  // 1 for the game's first frame
    double playerX = 0.0;
    double playerY = 0.0;
    int64_t playerLine = 0;
    int64_t playerLineY = 0;  // pixels
    int64_t playerMotion = 0;
    int64_t playerFacing = 0;
    bool playerLanded = false;
    bool playerVulnerable = false;
    bool playerHitActive = false;
    double viewX = 0.0;  // camera, play-field pixels
    std::array<RockView, kObservedSlots> rocks{};
    int64_t combo = 0;
    int64_t score = 0;
    int64_t comboTimer = 0;  // frames before the combo runs out
    int64_t toGenerate = 0;  // generation attempts still to come
    int64_t startTimer = 0;  // frames of "Start!!" left
    int64_t clearTimer = 0;  // frames of "Clear!" left
    bool cleared = false;    // no attempt left and no rock alive
    bool retryOffered = false;
};

using GameObserver = std::function<void(const GameFrameView&)>;

// Returns the previous observer; an empty one stops watching.
GameObserver SetGameObserver(GameObserver observer);

}  // namespace morva
