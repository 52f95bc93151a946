// The title screen through the real program, library and textures.
#include <gtest/gtest.h>

#include <sstream>

#include "GameRun.h"

namespace morva::e2e {
namespace {

constexpr int64_t kSpace = 0;

// The title's draw list, a line each: three credit lines and the version of
// 25 x 50 glyphs cut from the font's 64 x 128 cells (16 to a row from the
// space), and the 600 x 160 title picture doubled.
std::string TitleDraws() {
    std::ostringstream draws;
    const auto text = [&](std::string_view line, int x, int y) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            const int code = line[i] - 32;
            draws << "DrawTex 1 (font_128_64.zqtex) " << 64 * (code % 16) << ' '
                  << 128 * (code / 16) << " 64 128 " << x + 25 * static_cast<int>(i) << ' ' << y
                  << " 25 50 1 1 1 1\n";
        }
    };
    text("Character Design : pelomar", 900, 720);
    text("Game Design / Program : Quennet", 775, 770);
    text("Programming Language : Tarsk", 800, 820);
    draws << "DrawTex 2 (title.zqtex) 0 0 600 160 200 200 1200 320 1 1 1 1\n";
    text("ver 0.2", 800, 600);
    return draws.str();
}

std::pair<std::string, std::string> Calls(const TraceFrame& frame) {
    std::ostringstream draws, others;
    for (const TraceCall& call : frame.calls) {
        (call.IsDraw() ? draws : others) << call << (call.IsDraw() ? "\n" : "; ");
    }
    return {draws.str(), others.str()};
}

TEST(TitleScreen, DrawsTheWholeTitleUntilTheReleaseOfSpaceStartsTheGameInThatFrame) {
    // Dash, attack and left tapped; space pushed in frame 2, released in frame 7.
    const Replay replay =
        Replay(3).Down(1, 1).Down(1, 2).Down(2, kSpace).Up(3, 1).Up(4, 2).Down(4, 12).Up(5, 12).Up(
            7, kSpace);
    const RunResult run = RunProgram({.frames = 12, .replay = replay.text});
    ASSERT_TRUE(run.Finished() && run.trace.problems.empty() && run.trace.frames.size() == 12)
        << run.Describe();
    EXPECT_EQ(run.trace.title, "MORVA var 0.2");
    EXPECT_EQ(run.trace.frames[2].pads, std::vector<std::string>{"0 down"});
    EXPECT_EQ(run.trace.frames[7].pads, std::vector<std::string>{"0 up"});
    for (int64_t n = 0; n < 12; ++n) {
        SCOPED_TRACE("frame " + std::to_string(n));
        const auto [draws, others] = Calls(run.trace.frames[n]);
        if (n < 7) {
            ASSERT_EQ(draws, TitleDraws());
            EXPECT_EQ(others,
                      n == 0 ? "LoadTex 1 (font_128_64.zqtex); LoadTex 2 (title.zqtex); " : "");
        } else if (n == 7) {  // the whole title, then its texture goes, then the game starts
            EXPECT_TRUE(draws.starts_with(TitleDraws()) && draws.size() > TitleDraws().size())
                << draws;
            EXPECT_TRUE(others.starts_with("ReleaseTex 2 (title.zqtex); ") &&
                        others.find("LoadTex 3 (ground.zqtex)") != std::string::npos &&
                        others.find("ReleaseTex", 1) == std::string::npos)
                << others;
        } else {
            EXPECT_EQ(draws.find("title.zqtex"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace morva::e2e
