// Hold counts driven by replay files, and recordings that replay exactly.
#include <gtest/gtest.h>

#include <vector>

#include "Harness.h"

namespace plumo::test {
namespace {

class ReplayTest : public ::testing::Test {
protected:
    void TearDown() override { Library().Free(); }

    void OpenWith(const std::string& script, std::map<std::string, std::string> settings = {}) {
        const auto file = ScratchDir("replay") / "input.txt";
        WriteText(file, script);
        settings["PLUMO_VIDEO"] = "none";
        settings["PLUMO_REPLAY"] = file.string();
        SetSettings(settings);
        Open(&cell_);
    }

    std::vector<int64_t> Draws() {
        std::vector<int64_t> numbers;
        for (int i = 0; i < 8; ++i) {
            numbers.push_back(Library().Rnd(0, 1000000));
        }
        return numbers;
    }

    uint64_t cell_ = 0;
};

TEST_F(ReplayTest, CountsFramesHeldSampledOncePerFrameAndKeepsShortTaps) {
    OpenWith(
        "# comment line\n2 jump down\n3 attack down\n3 attack up\n\n4 13 down\n"
        "5 0 up   # trailing comment\n6 right up\n6 right down\n"
        "7 dash down\n7 left down\n7 up down\n7 down down\n");
    // Per frame: pad 0 buttons 0, 2, 13, then 1, 12, 14, 15; pad 1 button 0; buttons 16 and -1.
    const char* expected[] = {"0 0 0 0 0 0 0 0 0 0", "0 0 0 0 0 0 0 0 0 0", "1 0 0 0 0 0 0 0 0 0",
                              "2 1 0 0 0 0 0 0 0 0", "3 0 1 0 0 0 0 0 0 0", "0 0 2 0 0 0 0 0 0 0",
                              "0 0 1 0 0 0 0 0 0 0", "0 0 2 1 1 1 1 0 0 0"};
    for (int frame = 0; frame < 8; ++frame) {
        if (frame > 0) {
            Library().Act();
        }
        std::string seen;
        for (auto [pad, button] : {std::pair<int64_t, int64_t>{0, 0},
                                   {0, 2},
                                   {0, 13},
                                   {0, 1},
                                   {0, 12},
                                   {0, 14},
                                   {0, 15},
                                   {1, 0},
                                   {0, 16},
                                   {0, -1}}) {
            const int64_t count = Library().Pad(pad, button);
            EXPECT_EQ(Library().Pad(pad, button), count) << "read twice in frame " << frame;
            seen += (seen.empty() ? "" : " ") + std::to_string(count);
        }
        EXPECT_EQ(seen, expected[frame]) << "frame " << frame;
    }
}

TEST_F(ReplayTest, MalformedLineNamesFileAndLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"1 jump down\n2 kick down\n", "line 2"}, {"1 jump down\n\n3 jump sideways\n", "line 3"},
        {"1 jump down\n0 jump up\n", "line 2"},   {"4 0 down\n3 0 up\n", "line 2"},
        {"1 jump down\nseed 5\n", "line 2"},      {"1 16 down\n", "line 1"}};
    for (const auto& [script, line] : cases) {
        SCOPED_TRACE(script);
        const std::string message = Raised([&] { OpenWith(script); });
        EXPECT_EQ(message.rfind("1 ", 0), 0u) << message;
        EXPECT_NE(message.find((LibraryDir() / "replay" / "input.txt").string()), std::string::npos)
            << message;
        EXPECT_NE(message.find(line), std::string::npos) << message;
    }
}

TEST_F(ReplayTest, SeedLineWinsOverTheEnvironment) {
    OpenWith("seed 42\n1 jump down\n", {{"PLUMO_SEED", "7"}});
    const auto replayed = Draws();
    Library().Free();
    SetSettings({{"PLUMO_VIDEO", "none"}, {"PLUMO_SEED", "42"}});
    Open(&cell_);
    EXPECT_EQ(Draws(), replayed);
    Library().Free();
    SetSettings({{"PLUMO_VIDEO", "none"}, {"PLUMO_SEED", "7"}});
    Open(&cell_);
    EXPECT_NE(Draws(), replayed);
}

TEST_F(ReplayTest, RecordingReplaysToTheSameTrace) {
    const auto dir = ScratchDir("record");
    WriteText(dir / "source.txt",
              "1 jump down\n1 jump up\n2 dash down\n4 dash up\n4 dash down\n5 dash up\n"
              "5 dash down\n5 dash up\n6 left down\n7 right down\n9 left up\n9 right up\n");
    auto session = [&](const std::string& replay, const std::string& record,
                       const std::string& trace) {
        SetSettings({{"PLUMO_VIDEO", "none"},
                     {"PLUMO_REPLAY", (dir / replay).string()},
                     {"PLUMO_TRACE", (dir / trace).string()}});
        if (!record.empty()) {
            setenv("PLUMO_RECORD", (dir / record).c_str(), 1);
        }
        Open(&cell_);
        for (int frame = 0; frame < 12; ++frame) {
            Library().Rnd(-3, 3);
            Library().Act();
        }
        Library().Free();
        return ReadText(dir / trace);
    };
    // No seed: the recording has to carry the fresh one.
    const std::string first = session("source.txt", "recorded.txt", "first.trace");
    EXPECT_EQ(ReadText(dir / "recorded.txt").rfind("seed ", 0), 0u);
    for (const char* line : {"pad 0 down", "pad 1 down", "pad 12 down", "pad 13 up"}) {
        EXPECT_NE(first.find(line), std::string::npos) << line << " missing from\n" << first;
    }
    EXPECT_EQ(session("recorded.txt", "", "second.trace"), first);
}

}  // namespace
}  // namespace plumo::test
