#include "Bot.h"

#include <cmath>
#include <cstdlib>

namespace morva::game_test {
namespace {

constexpr int64_t kTopLineY = 400;     // pixels
constexpr int64_t kLineSpacing = 100;  // pixels
constexpr double kSwordReach = 200.0;  // pixels ahead of the body, steps 1 and 2
// A rock walks towards the player while the hit window is still closed, so
// the swing starts a little beyond the sword's reach.
constexpr double kNearestSwing = 120.0;   // pixels
constexpr double kFarthestSwing = 290.0;  // pixels
constexpr double kWalkDistance = 450.0;   // pixels
constexpr double kDashDistance = 700.0;   // pixels
constexpr int64_t kRockRecoil = 5;
constexpr int64_t kRockBreak = 6;
constexpr int64_t kMotionWalk = 1;
constexpr int64_t kMotionDash = 2;
constexpr int64_t kMotionAttack = 3;
constexpr int64_t kFacingRight = 0;
constexpr int64_t kFacingLeft = 1;

bool Alive(const RockView& rock) {
    return rock.active && rock.life > 0 && rock.state != kRockBreak;
}

// The nearest living rock that belongs to the player's line.
const RockView* PickTarget(const GameFrameView& view) {
    const RockView* best = nullptr;
    for (const RockView& rock : view.rocks) {
        if (Alive(rock) && rock.targetLineY == view.playerLineY &&
            (best == nullptr ||
             std::abs(rock.x - view.playerX) < std::abs(best->x - view.playerX))) {
            best = &rock;
        }
    }
    return best;
}

}  // namespace

void Bot::Tap(int64_t button) {
    next[button] = !last[button];
}

void Bot::Hold(int64_t button) {
    next[button] = true;
}

HeldButtons Bot::DecideOnTitle() {
    next = {};
    Tap(kJump);
    last = next;
    return next;
}

void Bot::Walk(const GameFrameView& view, int64_t direction, double distance) {
    const int64_t facing = direction == kRight ? kFacingRight : kFacingLeft;
    const bool walking = view.playerMotion == kMotionWalk || view.playerMotion == kMotionDash;
    if (last[direction] && !(walking && view.playerFacing == facing)) {
        return;  // let go first so that the next frame pushes again
    }
    Hold(direction);
    if (distance > kDashDistance) {
        Hold(kDash);
    }
}

// Rocks come to the player's line by themselves: it stands its ground,
// turns to the nearest, swings when it is in reach and jumps back from it
// when it is too close.
void Bot::Approach(const GameFrameView& view, const RockView& rock) {
    const bool rockOnRight = rock.x >= view.playerX;
    const int64_t toward = rockOnRight ? kRight : kLeft;
    const bool facingRock = view.playerFacing == (rockOnRight ? kFacingRight : kFacingLeft);
    const double ahead = std::abs(rock.x - view.playerX);
    if (!facingRock) {
        Tap(toward);
    } else if (ahead < kNearestSwing) {
        Tap(kJump);
    } else if (ahead <= kFarthestSwing) {
        if (rock.state != kRockRecoil) {
            Tap(kAttack);
        }
    } else if (ahead > kWalkDistance) {
        Walk(view, toward, ahead);
    }
}

HeldButtons Bot::Decide(const GameFrameView& view) {
    next = {};
    if (view.retryOffered) {
        Tap(kJump);
    } else if (!view.cleared && view.playerLanded) {
        const RockView* target = PickTarget(view);
        if (view.playerMotion == kMotionAttack) {
            if (view.playerHitActive && target != nullptr) {
                Tap(kAttack);
            }
        } else if (target != nullptr && view.playerMotion <= kMotionDash) {
            Approach(view, *target);
        }
    }
    last = next;
    return next;
}

}  // namespace morva::game_test
