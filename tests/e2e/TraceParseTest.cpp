// The harness's reading of the library's call trace and its replay scripts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GameRun.h"

namespace morva::e2e {
namespace {

constexpr char kTwoFrames[] =
    "plumo-trace 1\n"
    "Init \"MORVA var 0.2\"\n"
    "frame 0\n"
    "LoadTex \"font_128_64.zqtex\" 1\n"
    "LoadTex \"title.zqtex\" 2\n"
    "DrawTex 2 0 0 600 160 200 200 1200 320 1 1 1 1\n"
    "frame 1\n"
    "pad 0 down\n"
    "pad 14 up\n"
    "Rnd 0 3 2\n"
    "DrawTexRot 1 512 256 -512 256 336 228 128 64 64 32 0.5 1 1 1 0.4\n"
    "ReleaseTex 2\n"
    "Free\n";

TEST(TraceParse, FramesPadsAndCallsWithTheirFiles) {
    const Trace trace = ParseTrace(kTwoFrames);
    EXPECT_TRUE(trace.problems.empty());
    EXPECT_EQ(trace.title, "MORVA var 0.2");
    EXPECT_TRUE(trace.freed);
    ASSERT_EQ(trace.frames.size(), 2u);

    const TraceFrame& first = trace.frames[0];
    EXPECT_TRUE(first.pads.empty());
    ASSERT_EQ(first.calls.size(), 3u);
    EXPECT_EQ(first.calls[1].name, "LoadTex");
    EXPECT_EQ(first.calls[1].texture, 2);
    EXPECT_EQ(first.calls[1].file, "title.zqtex");
    const std::vector<TraceCall> titleDraws = first.DrawsOf("title.zqtex");
    ASSERT_EQ(titleDraws.size(), 1u);
    EXPECT_EQ(titleDraws[0].numbers,
              (std::vector<double>{0, 0, 600, 160, 200, 200, 1200, 320, 1, 1, 1, 1}));

    const TraceFrame& second = trace.frames[1];
    EXPECT_EQ(second.number, 1);
    EXPECT_EQ(second.pads, (std::vector<PadChange>{{0, true}, {14, false}}));
    ASSERT_EQ(second.calls.size(), 4u);
    EXPECT_EQ(second.calls[0].numbers, (std::vector<double>{0, 3, 2}));
    EXPECT_EQ(second.calls[1].file, "font_128_64.zqtex");
    EXPECT_EQ(second.calls[1].numbers.size(), 15u);
    EXPECT_EQ(second.calls[1].numbers[14], 0.4);
    EXPECT_EQ(second.calls[2].name, "ReleaseTex");
    EXPECT_EQ(second.calls[2].file, "title.zqtex");
    EXPECT_EQ(second.Draws().size(), 1u);
    EXPECT_EQ(trace.AllCalls().size(), 7u);
    EXPECT_EQ(trace.Frame(2), nullptr);
}

TEST(TraceParse, ReportsLinesItCannotRead) {
    const Trace trace = ParseTrace(
        "plumo-trace 1\n"
        "DrawTex 1 0 0\n"
        "frame 0\n"
        "DrawTex 1 0 0\n"
        "frame 5\n"
        "pad 3 sideways\n");
    EXPECT_EQ(trace.problems.size(), 4u);
    EXPECT_EQ(trace.frames.size(), 2u);
}

TEST(ReplayScript, SeedThenEventsByFrame) {
    const std::string text = Replay(42).Down(3, 0).Up(7, 0).Tap(9, 2, 4).Down(10, "attack").Text();
    EXPECT_EQ(text,
              "seed 42\n"
              "3 0 down\n"
              "7 0 up\n"
              "9 2 down\n"
              "10 attack down\n"
              "13 2 up\n");
}

}  // namespace
}  // namespace morva::e2e
