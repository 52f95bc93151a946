// The program with the real game library, headless: the title it opens the
// window with, and one Free at the end of a quiet run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace morva::test {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kFrames = 3;

TEST(RealLibrary, AHeadlessRunOfThreeFramesOpensTheTitledWindowAndFreesOnce) {
    if (!fs::exists(MORVA_REAL_LIBRARY)) {
        GTEST_SKIP() << "the game library is not built: " << MORVA_REAL_LIBRARY;
    }
    ScratchDir scratch;
    const fs::path trace = scratch.path() / "trace.txt";

    const ChildResult run = RunChild(MORVA_PROGRAM, scratch.path(),
                                     {{"PLUMO_VIDEO", "none"},
                                      {"PLUMO_FPS", "0"},
                                      {"PLUMO_SEED", "1"},
                                      {"PLUMO_FRAMES", std::to_string(kFrames)},
                                      {"PLUMO_TRACE", trace.string()}});

    ASSERT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = ReadLines(trace);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "plumo-trace 1");
    EXPECT_EQ(lines[1], "Init \"MORVA var 0.2\"");
    EXPECT_EQ(lines[2], "frame 0");
    std::vector<std::string> frames;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(frames),
                 [](const std::string& line) { return line.starts_with("frame "); });
    EXPECT_EQ(frames, (std::vector<std::string>{"frame 0", "frame 1", "frame 2"}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Free"), 1);
    EXPECT_EQ(lines.back(), "Free");
}

}  // namespace
}  // namespace morva::test
