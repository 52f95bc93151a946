// Random buttons for many frames through title and games on the real
// library: no failure, the game's invariants every frame, and no allocation
// in a play frame unless a combo's text is being drawn. The length comes
// from MORVA_SOAK_FRAMES.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "AllocationCounter.h"
#include "RealGame.h"

namespace morva::game_test {
namespace {

constexpr int64_t kDefaultSoakFrames = 50000;
constexpr int64_t kMaxRocks = 6;
constexpr int64_t kFlipOdds = 8;  // a button changes in one frame out of this many
constexpr uint64_t kInputSeed = 20240601;

int64_t SoakFrames() {
    const char* text = std::getenv("MORVA_SOAK_FRAMES");
    return text != nullptr ? std::atoll(text) : kDefaultSoakFrames;
}

class RandomController : public Controller {
public:
    explicit RandomController(int64_t frames) : limit(frames) {}

    HeldButtons OnGameFrame(const GameFrameView& view) override {
        Check(view);
        return Flip();
    }
    HeldButtons OnTitleFrame() override { return Flip(); }
    bool Done() const override { return frames >= limit || failed; }

    void Check(const GameFrameView& view) {
        const int64_t allocations =
            ProgramAllocations() - AllocationsInsideAct() + LibraryAllocations();
        const int64_t made = allocations - allocationsAtLastFrame;
        allocationsAtLastFrame = allocations;
        const bool newGame = view.frame == 1;
        if (newGame) {
            ++games;
            lastScore = 0;
        }
        int64_t rocks = 0;
        for (const RockView& rock : view.rocks) {
            rocks += rock.active ? 1 : 0;
        }
        Expect(rocks <= kMaxRocks, "more than six rocks", view);
        Expect(view.score >= lastScore, "the score went down", view);
        Expect(view.combo >= 0, "negative combo", view);
        Expect(view.comboTimer >= 0 && view.comboTimer <= 180, "combo timer out of range", view);
        // Set-up allocates; after it only a running combo's text may.
        if (!newGame) {
            // The score board's texts: the combo count, and the score line
            // after a hit (also when a touch ended the combo in that frame).
            const bool textsChanged = view.combo > 0 || view.score != lastScore;
            Expect(made == 0 || textsChanged, "allocated without a combo", view, made);
            playAllocations += made;
            ++playFrames;
        }
        lastScore = view.score;
    }

    // Builds its message only on failure: a text made every frame would be
    // counted as the game's allocation.
    void Expect(bool ok, const char* what, const GameFrameView& view, int64_t made = 0) {
        if (!ok && !failed) {
            failed = true;
            failure = std::string(what) + " (" + std::to_string(made) +
                      " allocations) in game frame " + std::to_string(view.frame) + " of game " +
                      std::to_string(games) + " (combo " + std::to_string(view.combo) + ", score " +
                      std::to_string(view.score) + ")";
        }
    }

    HeldButtons Flip() {
        ++frames;
        for (int64_t button : {kJump, kDash, kAttack, kLeft, kRight, kUp, kDown}) {
            if (random() % kFlipOdds == 0) {
                held[button] = !held[button];
            }
        }
        return held;
    }

    int64_t limit;
    int64_t frames = 0;
    int64_t games = 0;
    int64_t lastScore = 0;
    int64_t allocationsAtLastFrame = 0;
    int64_t playAllocations = 0;
    int64_t playFrames = 0;
    bool failed = false;
    std::string failure;
    HeldButtons held{};
    std::mt19937_64 random{kInputSeed};
};

TEST(GameSoak, RandomInputKeepsTheInvariantsAndAllocatesNothingInPlay) {
    RandomController controller(SoakFrames());
    RealRunOptions options;
    options.seed = 11;
    options.allocationCount = ProgramAllocations;
    options.writeReplay = false;
    const RealRunResult run = RunRealGame(controller, options);
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_FALSE(controller.failed) << controller.failure;
    EXPECT_EQ(controller.frames, controller.limit);
    EXPECT_GT(controller.games, 0);
    std::printf("%lld frames, %lld games, %lld play frames, %lld allocations in play\n",
                static_cast<long long>(controller.frames), static_cast<long long>(controller.games),
                static_cast<long long>(controller.playFrames),
                static_cast<long long>(controller.playAllocations));
}

}  // namespace
}  // namespace morva::game_test
