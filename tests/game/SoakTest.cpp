// Random buttons for MORVA_SOAK_FRAMES frames (default 50000) through titles and games on the
// real library: no failure, the game's invariants every frame, and no allocation in a play
// frame unless the score board's texts change (a running combo, or the score after a hit).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <utility>

#include "AllocationCounter.h"
#include "Drive.h"

namespace morva::game_test {
namespace {

struct RandomController : Controller {
    HeldButtons OnGameFrame(const GameFrameView& view) override {
        const int64_t now = GameAllocations(), made = now - std::exchange(allocations, now);
        const bool newGame = view.frame == 1;  // whose set-up allocates
        const int64_t before = newGame ? 0 : score;
        score = view.score;
        games += newGame ? 1 : 0;
        const auto rocks = std::count_if(view.rocks.begin(), view.rocks.end(),
                                         [](const RockView& rock) { return rock.active; });
        // The message is made only on a failure, so that passing checks allocate nothing.
        EXPECT_TRUE(rocks <= 6 && view.score >= before && view.combo >= 0 && view.comboTimer >= 0 &&
                    view.comboTimer <= 180 &&
                    (newGame || made == 0 || view.combo > 0 || view.score != before))
            << "game " << games << " frame " << view.frame << ": " << rocks << " rocks, score "
            << before << " -> " << view.score << ", combo " << view.combo << ", combo timer "
            << view.comboTimer << ", " << made << " allocations";
        return Flip();
    }
    HeldButtons OnTitleFrame() override { return Flip(); }
    bool Done() const override { return frames >= limit || ::testing::Test::HasFailure(); }

    HeldButtons Flip() {  // each button changes in one frame out of eight
        ++frames;
        for (int64_t button : {kJump, kDash, kAttack, kLeft, kRight, kUp, kDown}) {
            held[button] = held[button] != (random() % 8 == 0);
        }
        return held;
    }
    int64_t limit = 0, frames = 0, games = 0, score = 0, allocations = 0;
    HeldButtons held{};
    std::mt19937_64 random{20240601};
};

TEST(GameSoak, RandomInputKeepsTheInvariantsAndAllocatesNothingInPlay) {
    RandomController controller;
    const char* frames = std::getenv("MORVA_SOAK_FRAMES");
    controller.limit = frames != nullptr ? std::atoll(frames) : 50000;
    const RealRunOptions options{
        .seed = 11, .writeReplay = false, .allocationCount = test::AllocationCount};
    ASSERT_EQ(RunRealGame(controller, options).exitCode, 0);
    EXPECT_EQ(controller.frames, controller.limit);
    EXPECT_GT(controller.games, 0);
}

}  // namespace
}  // namespace morva::game_test
