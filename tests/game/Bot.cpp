#include "Bot.h"

#include <cmath>
#include <cstdlib>

namespace morva::game_test {
namespace {

constexpr int64_t kTopLineY = 400;        // pixels
constexpr int64_t kLineSpacing = 100;     // pixels
constexpr double kSwordReach = 200.0;     // pixels ahead of the body, steps 1 and 2
constexpr double kPlaceTolerance = 12.0;  // pixels
constexpr double kDashDistance = 150.0;   // pixels
constexpr int64_t kRockRecoil = 5;
constexpr int64_t kRockBreak = 6;
constexpr int64_t kMotionWalk = 1;
constexpr int64_t kMotionDash = 2;
constexpr int64_t kMotionAttack = 3;
constexpr int64_t kFacingRight = 0;

int64_t LineOf(int64_t lineY) {
    return (lineY - kTopLineY) / kLineSpacing;
}

bool Alive(const RockView& rock) {
    return rock.active && rock.life > 0 && rock.state != kRockBreak;
}

// Rocks already on a line first, then the one nearest the player.
const RockView* PickTarget(const GameFrameView& view) {
    const RockView* best = nullptr;
    double bestCost = 0.0;
    for (const RockView& rock : view.rocks) {
        if (!Alive(rock)) {
            continue;
        }
        const double settling = rock.lineMove == 0 ? 0.0 : 10000.0;
        const double cost = settling + std::abs(rock.x - view.playerX) +
                            1000.0 * std::abs(LineOf(rock.targetLineY) - view.playerLine);
        if (best == nullptr || cost < bestCost) {
            best = &rock;
            bestCost = cost;
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

void Bot::Approach(const GameFrameView& view, const RockView& rock) {
    const bool fromLeft = view.playerX < rock.x;
    const double place = fromLeft ? rock.x - kSwordReach : rock.x + kSwordReach;
    const double error = place - view.playerX;
    const int64_t wantFacing = fromLeft ? kFacingRight : 1;
    const bool walking = view.playerMotion == kMotionWalk || view.playerMotion == kMotionDash;
    if (std::abs(error) > kPlaceTolerance) {
        const int64_t toward = error > 0 ? kRight : kLeft;
        const int64_t towardFacing = error > 0 ? kFacingRight : 1;
        const bool goingThere = walking && view.playerFacing == towardFacing;
        if (last[toward] && !goingThere) {
            return;  // let go first so that the next frame pushes again
        }
        Hold(toward);
        if (std::abs(error) > kDashDistance) {
            Hold(kDash);
        }
        return;
    }
    if (walking) {
        return;  // letting go of the direction stops the walk
    }
    if (view.playerFacing != wantFacing) {
        Tap(wantFacing == kFacingRight ? kRight : kLeft);
        return;
    }
    if (rock.state != kRockRecoil) {
        Tap(kAttack);
    }
}

HeldButtons Bot::Decide(const GameFrameView& view) {
    next = {};
    if (view.retryOffered) {
        Tap(kJump);
    } else if (!view.cleared && view.playerLanded) {
        const RockView* target = PickTarget(view);
        if (view.playerMotion == kMotionAttack) {
            if (view.playerHitActive) {
                Tap(kAttack);
            }
        } else if (target != nullptr && view.playerMotion <= kMotionDash) {
            const int64_t line = LineOf(target->targetLineY);
            const bool onItsLine = view.playerY == static_cast<double>(view.playerLineY);
            if (line != view.playerLine) {
                if (onItsLine) {
                    Tap(line < view.playerLine ? kUp : kDown);
                }
            } else {
                Approach(view, *target);
            }
        }
    }
    last = next;
    return next;
}

}  // namespace morva::game_test
