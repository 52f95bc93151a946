// Hold counts driven by replay files, and recordings that replay exactly.
#include <gtest/gtest.h>

#include <vector>

#include "Harness.h"

namespace plumo::test {
namespace {

class ReplayTest : public ::testing::Test {
protected:
    void TearDown() override { Library().Free(); }

    // Pad counts of the given buttons for frames 0 .. frames-1.
    std::vector<std::vector<int64_t>> Run(const std::string& script, int frames,
                                          const std::vector<int64_t>& buttons) {
        const auto file = ScratchDir("replay") / "input.txt";
        WriteText(file, script);
        SetSettings({{"PLUMO_VIDEO", "none"}, {"PLUMO_REPLAY", file.string()}});
        Open(&cell_);
        std::vector<std::vector<int64_t>> counts;
        for (int frame = 0; frame < frames; ++frame) {
            if (frame > 0) {
                Library().Act();
            }
            std::vector<int64_t> row;
            for (int64_t button : buttons) {
                // Reading twice shows the count does not move within a frame.
                row.push_back(Library().Pad(0, button));
                EXPECT_EQ(row.back(), Library().Pad(0, button));
            }
            counts.push_back(row);
        }
        return counts;
    }

    uint64_t cell_ = 0;
};

TEST_F(ReplayTest, CountsFramesHeldAndKeepsShortTaps) {
    const auto counts =
        Run("# jump held for three frames\n"
            "2 jump down\n"
            "3 attack down\n"
            "3 attack up\n"
            "\n"
            "4 13 down\n"
            "5 0 up   # trailing comment\n"
            "6 right up\n"
            "6 right down\n",
            8, {0, 2, 13});
    const std::vector<std::vector<int64_t>> expected = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 1, 0},
                                                        {3, 0, 1}, {0, 0, 2}, {0, 0, 1}, {0, 0, 2}};
    EXPECT_EQ(counts, expected);
}

TEST_F(ReplayTest, OtherPadsAndButtonsReadZero) {
    Run("1 jump down\n1 dash down\n1 left down\n1 up down\n1 down down\n", 2, {});
    EXPECT_EQ(Library().Pad(0, 0), 1);
    EXPECT_EQ(Library().Pad(0, 1), 1);
    EXPECT_EQ(Library().Pad(0, 12), 1);
    EXPECT_EQ(Library().Pad(0, 14), 1);
    EXPECT_EQ(Library().Pad(0, 15), 1);
    EXPECT_EQ(Library().Pad(1, 0), 0);
    EXPECT_EQ(Library().Pad(0, 16), 0);
    EXPECT_EQ(Library().Pad(0, -1), 0);
}

TEST_F(ReplayTest, MalformedLineNamesFileAndLine) {
    const auto file = ScratchDir("malformed") / "bad.txt";
    const std::vector<std::string> scripts = {
        "1 jump down\n2 kick down\n", "1 jump down\n\n3 jump sideways\n",
        "1 jump down\n0 jump up\n",   "4 0 down\n3 0 up\n",
        "1 jump down\nseed 5\n",      "1 16 down\n"};
    const std::vector<std::string> lines = {"line 2", "line 3", "line 2",
                                            "line 2", "line 2", "line 1"};
    for (size_t i = 0; i < scripts.size(); ++i) {
        WriteText(file, scripts[i]);
        SetSettings({{"PLUMO_VIDEO", "none"}, {"PLUMO_REPLAY", file.string()}});
        try {
            Open(&cell_);
            ADD_FAILURE() << "accepted: " << scripts[i];
            Library().Free();
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.code(), kLibraryFailure);
            const std::string message = failure.what();
            EXPECT_NE(message.find(file.string()), std::string::npos) << message;
            EXPECT_NE(message.find(lines[i]), std::string::npos) << message;
        }
    }
}

std::vector<int64_t> Draws(int count) {
    std::vector<int64_t> numbers;
    for (int i = 0; i < count; ++i) {
        numbers.push_back(Library().Rnd(0, 1000000));
    }
    return numbers;
}

TEST_F(ReplayTest, SeedLineWinsOverTheEnvironment) {
    const auto file = ScratchDir("seed") / "seeded.txt";
    WriteText(file, "seed 42\n1 jump down\n");
    SetSettings({{"PLUMO_VIDEO", "none"}, {"PLUMO_REPLAY", file.string()}, {"PLUMO_SEED", "7"}});
    Open(&cell_);
    const auto replayed = Draws(8);
    Library().Free();

    SetSettings({{"PLUMO_VIDEO", "none"}, {"PLUMO_SEED", "42"}});
    Open(&cell_);
    EXPECT_EQ(Draws(8), replayed);
    Library().Free();

    SetSettings({{"PLUMO_VIDEO", "none"}, {"PLUMO_SEED", "7"}});
    Open(&cell_);
    EXPECT_NE(Draws(8), replayed);
}

TEST_F(ReplayTest, RecordingReplaysToTheSameTrace) {
    const auto dir = ScratchDir("record");
    WriteText(dir / "source.txt",
              "1 jump down\n1 jump up\n2 dash down\n4 dash up\n4 dash down\n5 dash up\n"
              "5 dash down\n5 dash up\n6 left down\n7 right down\n9 left up\n9 right up\n");
    auto session = [&](const std::map<std::string, std::string>& settings) {
        SetSettings(settings);
        Open(&cell_);
        std::vector<int64_t> seen;
        for (int frame = 0; frame < 12; ++frame) {
            for (int64_t button : {0, 1, 12, 13}) {
                seen.push_back(Library().Pad(0, button));
            }
            Library().Rnd(-3, 3);
            Library().Act();
        }
        Library().Free();
        return seen;
    };
    // No seed: the recording has to carry the fresh one.
    const auto first = session({{"PLUMO_VIDEO", "none"},
                                {"PLUMO_REPLAY", (dir / "source.txt").string()},
                                {"PLUMO_RECORD", (dir / "recorded.txt").string()},
                                {"PLUMO_TRACE", (dir / "first.trace").string()}});
    const auto second = session({{"PLUMO_VIDEO", "none"},
                                 {"PLUMO_REPLAY", (dir / "recorded.txt").string()},
                                 {"PLUMO_TRACE", (dir / "second.trace").string()}});
    EXPECT_EQ(first, second);
    const std::string trace = ReadText(dir / "first.trace");
    EXPECT_NE(trace.find("pad 1 down"), std::string::npos);
    EXPECT_EQ(trace, ReadText(dir / "second.trace"));
    EXPECT_EQ(ReadText(dir / "recorded.txt").rfind("seed ", 0), 0u);
}

}  // namespace
}  // namespace plumo::test
