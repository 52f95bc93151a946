// The title screen through the real program, library and textures.
#include <gtest/gtest.h>

#include <sstream>

#include "GameRun.h"

namespace morva::e2e {
namespace {

constexpr int64_t kSpace = 0;
constexpr char kLoads[] = "LoadTex 1 (font_128_64.zqtex); LoadTex 2 (title.zqtex); ";
constexpr char kShutdown[] = "ReleaseTex 2 (title.zqtex); ReleaseTex 1 (font_128_64.zqtex); Free; ";

// The title's draw list: three credit lines and the version of 25 x 50 glyphs
// cut from the font's 64 x 128 cells (16 to a row from the space), and the
// 600 x 160 title picture doubled.
std::vector<std::string> TitleDraws() {
    std::vector<std::string> draws;
    const auto text = [&](const std::string& line, int x, int y) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            const int code = line[i] - 32;
            std::ostringstream draw;
            draw << "DrawTex 1 (font_128_64.zqtex) " << 64 * (code % 16) << ' ' << 128 * (code / 16)
                 << " 64 128 " << x + 25 * static_cast<int>(i) << ' ' << y << " 25 50 1 1 1 1";
            draws.push_back(draw.str());
        }
    };
    text("Character Design : pelomar", 900, 720);
    text("Game Design / Program : Quennet", 775, 770);
    text("Programming Language : Tarsk", 800, 820);
    draws.push_back("DrawTex 2 (title.zqtex) 0 0 600 160 200 200 1200 320 1 1 1 1");
    text("ver 0.2", 800, 600);
    return draws;
}

// The frame's draws, one string each, and its other calls in one string.
std::pair<std::vector<std::string>, std::string> Calls(const TraceFrame& frame) {
    std::pair<std::vector<std::string>, std::string> calls;
    for (const TraceCall& call : frame.calls) {
        const std::string text = (std::ostringstream() << call).str();
        if (call.IsDraw()) {
            calls.first.push_back(text);
        } else {
            calls.second += text + "; ";
        }
    }
    return calls;
}

RunResult RunTitle(int64_t frames, std::optional<std::string> replay = {}) {
    for (const std::string& file : MissingFiles()) {
        ADD_FAILURE() << "not built: " << file;
    }
    RunResult run = RunProgram({.frames = frames, .replay = replay});
    EXPECT_TRUE(run.Finished() && run.trace.problems.empty() &&
                run.trace.frames.size() == static_cast<std::size_t>(frames))
        << run.Describe();
    return run;
}

TEST(TitleScreen, FirstFrameLoadsFontAndTitleThenDrawsTheWholeTitle) {
    const RunResult run = RunTitle(2);  // the shutdown's releases land in frame 1
    ASSERT_EQ(run.trace.frames.size(), 2u);
    EXPECT_EQ(run.trace.title, "MORVA var 0.2");
    EXPECT_EQ(Calls(run.trace.frames[0]).second, kLoads);
    EXPECT_EQ(Calls(run.trace.frames[0]).first, TitleDraws());
}

TEST(TitleScreen, HoldingSpaceOrOtherButtonsRedrawsTheTitleEveryFrame) {
    // Dash, attack, left tapped; space pushed in frame 2 and held.
    const RunResult run =
        RunTitle(12, Replay(3).Tap(1, 1, 2).Tap(1, 2, 3).Tap(4, 12, 1).Down(2, kSpace).Text());
    ASSERT_EQ(run.trace.frames.size(), 12u);
    EXPECT_EQ(run.trace.frames[2].pads, (std::vector<PadChange>{{kSpace, true}}));
    for (const TraceFrame& frame : run.trace.frames) {
        SCOPED_TRACE("frame " + std::to_string(frame.number));
        ASSERT_EQ(Calls(frame).first, TitleDraws());
        EXPECT_EQ(Calls(frame).second, frame.number == 0    ? kLoads
                                       : frame.number == 11 ? kShutdown
                                                            : "");
    }
}

TEST(TitleScreen, ReleasingSpaceLeavesTheTitleInThatFrame) {
    const RunResult run = RunTitle(12, Replay(5).Down(3, kSpace).Up(7, kSpace).Text());
    ASSERT_EQ(run.trace.frames.size(), 12u);
    const TraceFrame& release = run.trace.frames[7];
    EXPECT_EQ(release.pads, (std::vector<PadChange>{{kSpace, false}}));
    // The whole title, then its texture (id 2) goes, then the game scene
    // starts within the same frame.
    const auto [draws, others] = Calls(release);
    ASSERT_GT(draws.size(), TitleDraws().size());
    EXPECT_EQ(std::vector(draws.begin(), draws.begin() + TitleDraws().size()), TitleDraws());
    EXPECT_TRUE(others.starts_with("ReleaseTex 2 (title.zqtex); ") &&
                others.find("LoadTex 3 (ground.zqtex)") != std::string::npos)
        << others;
    EXPECT_EQ(release.CallsNamed("ReleaseTex").size(), 1u);
    for (int64_t n = 8; n < 12; ++n) {
        EXPECT_TRUE(run.trace.frames[n].DrawsOf("title.zqtex").empty()) << "frame " << n;
    }
}

}  // namespace
}  // namespace morva::e2e
