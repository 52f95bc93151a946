// The game scene through the real program, library and textures: from the
// title into a game, what its set-up loads and when its first rock comes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GameRun.h"

namespace morva::e2e {
namespace {

constexpr int64_t kSpace = 0;
// The title sees the release in trace frame 2 and the game starts there
// without an Act, so game frame n is trace frame n + 1.
constexpr int64_t kGameStartTraceFrame = 2;
constexpr int64_t kStartBannerFrames = 60;
constexpr int64_t kFirstAttemptGameFrame = 122;
constexpr int64_t kAttemptSpacing = 122;  // frames

int64_t TraceFrameOf(int64_t gameFrame) {
    return gameFrame + kGameStartTraceFrame - 1;
}

// Runs until the given trace frame has been drawn.
RunResult StartGame(int64_t lastTraceFrame, int64_t seed) {
    RunOptions options;
    options.seed = seed;
    options.frames = lastTraceFrame + 1;
    options.replay = Replay(seed).Down(1, kSpace).Up(kGameStartTraceFrame, kSpace).Text();
    return RunProgram(options);
}

// The "Start!!" glyphs: 100 x 200 from (550, 200), one cell per character.
::testing::AssertionResult ShowsStart(const TraceFrame& frame) {
    const std::string text = "Start!!";
    std::vector<TraceCall> glyphs;
    for (const TraceCall& draw : frame.DrawsOf("font_128_64.zqtex")) {
        if (draw.numbers.at(6) == 100.0 && draw.numbers.at(7) == 200.0) {
            glyphs.push_back(draw);
        }
    }
    if (glyphs.size() != text.size()) {
        return ::testing::AssertionFailure()
               << "frame " << frame.number << " draws " << glyphs.size() << " banner glyphs";
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int64_t code = text[i] - 32;
        const std::vector<double> want = {64.0 * static_cast<double>(code % 16),
                                          128.0 * static_cast<double>(code / 16),
                                          64,
                                          128,
                                          550.0 + 100.0 * static_cast<double>(i),
                                          200,
                                          100,
                                          200,
                                          1,
                                          1,
                                          1,
                                          1};
        if (glyphs[i].numbers != want) {
            return ::testing::AssertionFailure()
                   << "frame " << frame.number << " glyph " << i << ": " << glyphs[i];
        }
    }
    return ::testing::AssertionSuccess();
}

class GameEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& file : MissingFiles()) {
            ADD_FAILURE() << "not built: " << file;
        }
    }
};

TEST_F(GameEndToEnd, SetUpLoadsTheTexturesOfEachObjectInTurn) {
    const RunResult run = StartGame(kGameStartTraceFrame + 3, 5);
    ASSERT_TRUE(run.Finished()) << run.Describe();
    const TraceFrame* start = run.trace.Frame(kGameStartTraceFrame);
    ASSERT_NE(start, nullptr) << run.Describe();
    std::vector<std::string> loaded;
    for (const TraceCall& call : start->CallsNamed("LoadTex")) {
        loaded.push_back(call.file);
    }
    const std::vector<std::string> expected = {
        "ground.zqtex",        "distant_view.zqtex", "wood.zqtex", "pelomar256.zqtex",
        "sword.zqtex",         "bullet.zqtex",       "smog.zqtex", "font_128_64.zqtex",
        "combo.zqtex",         "gauge.zqtex",        "life.zqtex", "gauge.zqtex",
        "generate_hole.zqtex", "rock_enemy.zqtex"};
    EXPECT_EQ(loaded, expected);
    // The stage's trees take their 120 numbers before anything is drawn.
    const std::vector<TraceCall> rnd = start->CallsNamed("Rnd");
    EXPECT_EQ(rnd.size(), 120u);
    for (int64_t frame = kGameStartTraceFrame + 1; frame <= kGameStartTraceFrame + 3; ++frame) {
        ASSERT_NE(run.trace.Frame(frame), nullptr);
        EXPECT_TRUE(run.trace.Frame(frame)->CallsNamed("LoadTex").empty()) << "frame " << frame;
    }
}

TEST_F(GameEndToEnd, StartBannerShowsForTheFirstSixtyFramesOverThePlay) {
    const RunResult run = StartGame(TraceFrameOf(kStartBannerFrames + 2), 6);
    ASSERT_TRUE(run.Finished()) << run.Describe();
    for (int64_t gameFrame = 1; gameFrame <= kStartBannerFrames; ++gameFrame) {
        const TraceFrame* frame = run.trace.Frame(TraceFrameOf(gameFrame));
        ASSERT_NE(frame, nullptr) << "game frame " << gameFrame;
        ASSERT_TRUE(ShowsStart(*frame)) << "game frame " << gameFrame;
        // Drawn last, over the field and the score board.
        const std::vector<TraceCall> draws = frame->Draws();
        ASSERT_GE(draws.size(), 7u);
        EXPECT_EQ(draws.back().numbers.at(4), 1150.0) << "game frame " << gameFrame;
        EXPECT_FALSE(frame->DrawsOf("pelomar256.zqtex").empty()) << "game frame " << gameFrame;
    }
    for (int64_t gameFrame : {kStartBannerFrames + 1, kStartBannerFrames + 2}) {
        const TraceFrame* frame = run.trace.Frame(TraceFrameOf(gameFrame));
        ASSERT_NE(frame, nullptr);
        EXPECT_FALSE(ShowsStart(*frame)) << "game frame " << gameFrame;
    }
}

TEST_F(GameEndToEnd, GenerationIsAttemptedEvery122ndFrameWithLinesOneToThree) {
    const int64_t lastGameFrame = kFirstAttemptGameFrame + 2 * kAttemptSpacing;
    const RunResult run = StartGame(TraceFrameOf(lastGameFrame), 7);
    ASSERT_TRUE(run.Finished()) << run.Describe();
    std::vector<int64_t> attemptFrames;
    for (int64_t gameFrame = 1; gameFrame <= lastGameFrame; ++gameFrame) {
        const TraceFrame* frame = run.trace.Frame(TraceFrameOf(gameFrame));
        ASSERT_NE(frame, nullptr) << "game frame " << gameFrame;
        for (const TraceCall& rnd : frame->CallsNamed("Rnd")) {
            const bool generation = rnd.numbers.at(0) == 1.0 && rnd.numbers.at(1) == 3.0;
            if (!generation) {
                // Only the stage's trees draw other numbers, at set-up.
                ASSERT_EQ(gameFrame, 1) << rnd;
                continue;
            }
            EXPECT_GE(rnd.numbers.at(2), 1.0);
            EXPECT_LE(rnd.numbers.at(2), 3.0);
            attemptFrames.push_back(gameFrame);
        }
    }
    const std::vector<int64_t> expected = {kFirstAttemptGameFrame,
                                           kFirstAttemptGameFrame + kAttemptSpacing,
                                           kFirstAttemptGameFrame + 2 * kAttemptSpacing};
    EXPECT_EQ(attemptFrames, expected);
}

}  // namespace
}  // namespace morva::e2e
