// The title screen through the real program, library and textures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GameRun.h"

namespace morva::e2e {
namespace {

constexpr int64_t kSpace = 0;
constexpr int64_t kDash = 1;
constexpr int64_t kAttack = 2;
constexpr int64_t kLeft = 12;
constexpr char kFont[] = "font_128_64.zqtex";
constexpr char kTitle[] = "title.zqtex";

struct ExpectedDraw {
    std::string file;
    std::vector<double> numbers;  // DrawTex: source, destination, colour factors
};

// One text line of 25 x 50 glyphs cut from the 64 x 128 cells of the font,
// 16 cells to a row starting with the space.
void AddText(std::vector<ExpectedDraw>& draws, const std::string& text, double x, double y) {
    constexpr int64_t kFirstCode = 32;
    constexpr int64_t kCellsPerRow = 16;
    constexpr double kGlyphW = 25.0;  // pixels
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int64_t code = text[i] - kFirstCode;
        const double srcX = 64.0 * static_cast<double>(code % kCellsPerRow);
        const double srcY = 128.0 * static_cast<double>(code / kCellsPerRow);
        draws.push_back({kFont,
                         {srcX, srcY, 64, 128, x + kGlyphW * static_cast<double>(i), y, kGlyphW, 50,
                          1, 1, 1, 1}});
    }
}

std::vector<ExpectedDraw> TitleFrame() {
    std::vector<ExpectedDraw> draws;
    AddText(draws, "Character Design : pelomar", 900, 720);
    AddText(draws, "Game Design / Program : Quennet", 775, 770);
    AddText(draws, "Programming Language : Tarsk", 800, 820);
    draws.push_back({kTitle, {0, 0, 600, 160, 200, 200, 1200, 320, 1, 1, 1, 1}});
    AddText(draws, "ver 0.2", 800, 600);
    return draws;
}

// Compares the first draws of a frame with the title's draw list, naming
// the first draw that differs.
::testing::AssertionResult StartsWithTitle(const TraceFrame& frame) {
    const std::vector<ExpectedDraw> expected = TitleFrame();
    const std::vector<TraceCall> draws = frame.Draws();
    if (draws.size() < expected.size()) {
        return ::testing::AssertionFailure() << "frame " << frame.number << " has " << draws.size()
                                             << " draws, the title needs " << expected.size();
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (draws[i].name != "DrawTex" || draws[i].file != expected[i].file ||
            draws[i].numbers != expected[i].numbers) {
            ::testing::Message want;
            for (double n : expected[i].numbers) {
                want << ' ' << n;
            }
            return ::testing::AssertionFailure()
                   << "frame " << frame.number << " draw " << i << ": got " << draws[i]
                   << "\n  want DrawTex (" << expected[i].file << ")" << want;
        }
    }
    return ::testing::AssertionSuccess();
}

class TitleScreen : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<std::string> missing = MissingFiles();
        for (const std::string& file : missing) {
            ADD_FAILURE() << "not built: " << file;
        }
        ASSERT_TRUE(missing.empty());
    }
};

TEST_F(TitleScreen, FirstFrameDrawsCreditsTitlePictureAndVersion) {
    // Two frames, so that the shutdown's releases land in the second.
    RunOptions options;
    options.frames = 2;
    const RunResult run = RunProgram(options);
    ASSERT_TRUE(run.Finished()) << run.Describe();
    ASSERT_EQ(run.trace.frames.size(), 2u) << run.Describe();
    EXPECT_EQ(run.trace.title, "MORVA var 0.2");
    EXPECT_TRUE(run.trace.problems.empty()) << run.Describe();

    const TraceFrame& first = run.trace.frames[0];
    const std::vector<TraceCall> loads = first.CallsNamed("LoadTex");
    ASSERT_EQ(loads.size(), 2u) << run.Describe();
    EXPECT_EQ(loads[0].file, kFont);
    EXPECT_EQ(loads[1].file, kTitle);
    EXPECT_TRUE(first.CallsNamed("ReleaseTex").empty());
    EXPECT_TRUE(first.CallsNamed("DrawTexRot").empty());
    EXPECT_EQ(first.Draws().size(), TitleFrame().size());
    EXPECT_TRUE(StartsWithTitle(first));
}

TEST_F(TitleScreen, HoldingSpaceOrOtherButtonsKeepsTheTitle) {
    constexpr int64_t kPushFrame = 2;
    constexpr int64_t kFrames = 12;
    RunOptions options;
    options.frames = kFrames;
    options.replay = Replay(3)
                         .Tap(1, kDash, 2)
                         .Tap(1, kAttack, 3)
                         .Tap(4, kLeft, 1)
                         .Down(kPushFrame, kSpace)
                         .Text();
    const RunResult run = RunProgram(options);
    ASSERT_TRUE(run.Finished()) << run.Describe();
    ASSERT_EQ(run.trace.frames.size(), static_cast<std::size_t>(kFrames)) << run.Describe();
    ASSERT_EQ(run.trace.frames[kPushFrame].pads, (std::vector<PadChange>{{kSpace, true}}));

    const std::size_t titleDraws = TitleFrame().size();
    for (const TraceFrame& frame : run.trace.frames) {
        ASSERT_TRUE(StartsWithTitle(frame));
        EXPECT_EQ(frame.Draws().size(), titleDraws) << "frame " << frame.number;
        // The last frame also holds the shutdown's releases.
        if (frame.number < kFrames - 1) {
            EXPECT_TRUE(frame.CallsNamed("ReleaseTex").empty()) << "frame " << frame.number;
        }
        if (frame.number > 0) {
            EXPECT_TRUE(frame.CallsNamed("LoadTex").empty()) << "frame " << frame.number;
        }
    }
}

TEST_F(TitleScreen, ReleasingSpaceLeavesTheTitleInThatFrame) {
    constexpr int64_t kPushFrame = 3;
    constexpr int64_t kReleaseFrame = 7;
    constexpr int64_t kFrames = 12;
    RunOptions options;
    options.frames = kFrames;
    options.replay = Replay(5).Down(kPushFrame, kSpace).Up(kReleaseFrame, kSpace).Text();
    const RunResult run = RunProgram(options);
    ASSERT_TRUE(run.Finished()) << run.Describe();
    ASSERT_EQ(run.trace.frames.size(), static_cast<std::size_t>(kFrames)) << run.Describe();

    const TraceFrame& release = run.trace.frames[kReleaseFrame];
    ASSERT_EQ(release.pads, (std::vector<PadChange>{{kSpace, false}}));
    // The title draws its whole picture in the release frame, then lets go of
    // its texture; the game scene goes on within the same frame.
    ASSERT_TRUE(StartsWithTitle(release));
    const int64_t titleId = run.trace.frames[0].CallsNamed("LoadTex").at(1).texture;
    const std::vector<TraceCall> releases = release.CallsNamed("ReleaseTex");
    ASSERT_EQ(releases.size(), 1u) << run.Describe();
    EXPECT_EQ(releases[0].texture, titleId);
    EXPECT_EQ(releases[0].file, kTitle);

    for (int64_t n = kReleaseFrame + 1; n < kFrames; ++n) {
        const TraceFrame& frame = run.trace.frames[static_cast<std::size_t>(n)];
        EXPECT_TRUE(frame.DrawsOf(kTitle).empty()) << "frame " << n;
        EXPECT_FALSE(StartsWithTitle(frame)) << "frame " << n;
    }
}

}  // namespace
}  // namespace morva::e2e
