// Random buttons for MORVA_SOAK_FRAMES frames (default 50000) through title
// and games on the real library: no failure, the game's invariants every
// frame, and no allocation in a play frame unless the score board's texts
// change (a running combo, or the score after a hit).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "AllocationCounter.h"
#include "Drive.h"

namespace morva::game_test {
namespace {

struct RandomController : Controller {
    HeldButtons OnGameFrame(const GameFrameView& view) override {
        const int64_t allocations = GameAllocations();
        const int64_t made = allocations - lastAllocations;
        lastAllocations = allocations;
        if (view.frame == 1) {  // a new game, whose set-up allocates
            ++games;
            lastScore = 0;
        }
        playAllocations += view.frame == 1 ? 0 : made;
        const int64_t rocks = std::count_if(view.rocks.begin(), view.rocks.end(),
                                            [](const RockView& rock) { return rock.active; });
        // The score board's texts change with a running combo, or the score
        // after a hit (also when a touch ended the combo in that frame).
        const bool ok = rocks <= 6 && view.score >= lastScore && view.combo >= 0 &&
                        view.comboTimer >= 0 && view.comboTimer <= 180 &&
                        (view.frame == 1 || made == 0 || view.combo > 0 || view.score != lastScore);
        if (!ok && failure.empty()) {  // no text made every frame: it would count
            failure = "game " + std::to_string(games) + " frame " + std::to_string(view.frame) +
                      ": " + std::to_string(rocks) + " rocks, score " + std::to_string(lastScore) +
                      " -> " + std::to_string(view.score) + ", combo " +
                      std::to_string(view.combo) + ", combo timer " +
                      std::to_string(view.comboTimer) + ", " + std::to_string(made) +
                      " allocations";
        }
        lastScore = view.score;
        return Flip();
    }
    HeldButtons OnTitleFrame() override { return Flip(); }
    bool Done() const override { return frames >= limit || !failure.empty(); }

    // Each button changes in one frame out of eight.
    HeldButtons Flip() {
        ++frames;
        for (int64_t button : {kJump, kDash, kAttack, kLeft, kRight, kUp, kDown}) {
            held[button] = held[button] != (random() % 8 == 0);
        }
        return held;
    }

    int64_t limit = 0, frames = 0, games = 0, lastScore = 0, lastAllocations = 0,
            playAllocations = 0;
    std::string failure;
    HeldButtons held{};
    std::mt19937_64 random{20240601};
};

TEST(GameSoak, RandomInputKeepsTheInvariantsAndAllocatesNothingInPlay) {
    const char* frames = std::getenv("MORVA_SOAK_FRAMES");
    RandomController controller;
    controller.limit = frames != nullptr ? std::atoll(frames) : 50000;
    RealRunOptions options;
    options.seed = 11;
    options.allocationCount = test::AllocationCount;
    options.writeReplay = false;
    ASSERT_EQ(RunRealGame(controller, options).exitCode, 0);
    ASSERT_EQ(controller.failure, "");
    EXPECT_EQ(controller.frames, controller.limit);
    EXPECT_GT(controller.games, 0);
    std::printf("%lld frames, %lld games, %lld allocations in play\n",
                static_cast<long long>(controller.frames), static_cast<long long>(controller.games),
                static_cast<long long>(controller.playAllocations));
}

}  // namespace
}  // namespace morva::game_test
