// The library's exports: replayed and recorded input, the call trace, how a
// session ends or fails, the floating-point environment, random numbers,
// string records and mathematics.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <set>

#include "Harness.h"

namespace plumo::test {
namespace {

class LibraryTest : public ::testing::Test {
protected:
    void TearDown() override { Library().Free(); }
    void OpenHeadless(std::map<std::string, std::string> settings = {}) {
        settings["PLUMO_VIDEO"] = "none";
        SetSettings(settings);
        Open(&cell_);
    }
    void OpenWith(const std::string& script, std::map<std::string, std::string> settings = {}) {
        const auto file = ScratchDir("replay") / "input.txt";
        WriteText(file, script);
        settings["PLUMO_REPLAY"] = file.string();
        OpenHeadless(settings);
    }
    std::vector<int64_t> Draws(int64_t min, int64_t max, int count) {
        std::vector<int64_t> numbers;
        for (int i = 0; i < count; ++i) {
            numbers.push_back(Library().Rnd(min, max));
        }
        return numbers;
    }

    uint64_t cell_ = 0;
};

TEST_F(LibraryTest, CountsFramesHeldSampledOncePerFrameAndKeepsShortTaps) {
    OpenWith(
        "# comment line\n2 jump down\n3 attack down\n3 attack up\n\n4 13 down\n"
        "5 0 up   # trailing comment\n6 right up\n6 right down\n"
        "7 dash down\n7 left down\n7 up down\n7 down down\n");
    // Per frame: pad 0 buttons 0, 2, 13, then 1, 12, 14, 15; pad 1 button 0; buttons 16 and -1.
    const int64_t buttons[] = {0, 2, 13, 1, 12, 14, 15, 0, 16, -1};
    const char* expected[] = {"0 0 0 0 0 0 0 0 0 0", "0 0 0 0 0 0 0 0 0 0", "1 0 0 0 0 0 0 0 0 0",
                              "2 1 0 0 0 0 0 0 0 0", "3 0 1 0 0 0 0 0 0 0", "0 0 2 0 0 0 0 0 0 0",
                              "0 0 1 0 0 0 0 0 0 0", "0 0 2 1 1 1 1 0 0 0"};
    for (int frame = 0; frame < 8; ++frame) {
        if (frame > 0) {
            Library().Act();
        }
        std::string seen;
        for (int i = 0; i < 10; ++i) {
            const int64_t pad = i == 7 ? 1 : 0, button = buttons[i];
            const int64_t count = Library().Pad(pad, button);
            EXPECT_EQ(Library().Pad(pad, button), count) << "read twice in frame " << frame;
            seen += (seen.empty() ? "" : " ") + std::to_string(count);
        }
        EXPECT_EQ(seen, expected[frame]) << "frame " << frame;
    }
}

TEST_F(LibraryTest, MalformedLineNamesFileAndLine) {
    const std::string file = (LibraryDir() / "replay" / "input.txt").string();
    for (const auto& [script, line] : {std::pair{"1 jump down\n2 kick down\n", " line 2"},
                                       {"1 jump down\n\n3 jump sideways\n", " line 3"},
                                       {"1 jump down\n0 jump up\n", " line 2"},
                                       {"4 0 down\n3 0 up\n", " line 2"},
                                       {"1 jump down\nseed 5\n", " line 2"},
                                       {"1 16 down\n", " line 1"}}) {
        const std::string message = Raised([&] { OpenWith(script); });
        EXPECT_TRUE(message.starts_with("1 ") && message.find(file) != std::string::npos &&
                    message.find(line) != std::string::npos)
            << script << "gave: " << message;
    }
}

// The recording carries the run's fresh seed, and a replay's seed wins over
// PLUMO_SEED, so the draws in the trace repeat too.
TEST_F(LibraryTest, RecordingReplaysToTheSameTraceWhateverTheSeedSetting) {
    const auto dir = ScratchDir("record");
    WriteText(dir / "source.txt",
              "1 jump down\n1 jump up\n2 dash down\n4 dash up\n4 dash down\n5 dash up\n"
              "5 dash down\n5 dash up\n6 left down\n7 right down\n9 left up\n9 right up\n");
    auto session = [&](const std::string& replay, const std::string& trace,
                       std::map<std::string, std::string> settings) {
        settings["PLUMO_TRACE"] = (dir / trace).string();
        OpenWith(ReadText(dir / replay), settings);
        for (int frame = 0; frame < 12; ++frame) {
            Library().Rnd(0, 1000000);
            Library().Act();
        }
        Library().Free();
        return ReadText(dir / trace);
    };
    const std::string first =
        session("source.txt", "first.trace", {{"PLUMO_RECORD", (dir / "recorded.txt").string()}});
    EXPECT_EQ(ReadText(dir / "recorded.txt").rfind("seed ", 0), 0u);
    EXPECT_NE(first.find("frame 9\npad 12 up\npad 13 up\n"), std::string::npos) << first;
    EXPECT_EQ(session("recorded.txt", "second.trace", {{"PLUMO_SEED", "7"}}), first);
}

TEST_F(LibraryTest, TraceHoldsEveryTracedCallInOrderAndIsCompleteWhenTheFrameLimitEnds) {
    const auto dir = ScratchDir("trace");
    WriteQuadrantPng("quad.zqtex");
    WriteText(dir / "input.txt", "1 jump down\n2 jump up\n2 right down\n");
    OpenHeadless({{"PLUMO_SEED", "5"},
                  {"PLUMO_FRAMES", "3"},
                  {"PLUMO_REPLAY", (dir / "input.txt").string()},
                  {"PLUMO_TRACE", (dir / "out.trace").string()}});
    const Exports& lib = Library();
    Texture* texture = Load("quad.zqtex");
    Texture* second = Load("quad.zqtex");
    lib.DrawTex(texture, 0, 0, 64, 32, 10, 20, 64, 32, 1, 0.5, 0.25, 0.78);
    lib.Pad(0, 0);
    lib.Act();
    lib.DrawTexRot(second, 64, 0, -64, 32, -1000, 0, 128, 64, 64, 32, 1.0 / 60, 1, 1, 1, 1);
    const int64_t drawn = lib.Rnd(1, 6);
    lib.Sqrt(2);
    Drop(texture);
    lib.Act();
    Drop(second);
    EXPECT_EQ(cell_, 0u);
    EXPECT_EQ(Raised([&] { lib.Act(); }).substr(0, 2), "0 ") << "the third Act ends quietly";
    EXPECT_NE(cell_, 0u);
    const std::string trace =
        "plumo-trace 1\nInit \"MORVA var 0.2\"\nframe 0\n"
        "LoadTex \"quad.zqtex\" 1\nLoadTex \"quad.zqtex\" 2\n"
        "DrawTex 1 0 0 64 32 10 20 64 32 1 0.5 0.25 0.78\n"
        "frame 1\npad 0 down\n"
        "DrawTexRot 2 64 0 -64 32 -1000 0 128 64 64 32 0.016666666666666666 1 1 1 1\n"
        "Rnd 1 6 " +
        std::to_string(drawn) + "\nReleaseTex 1\nframe 2\npad 0 up\npad 13 down\nReleaseTex 2\n";
    EXPECT_EQ(ReadText(dir / "out.trace"), trace) << "on disk before Free";
    lib.Free();
    EXPECT_EQ(ReadText(dir / "out.trace"), trace + "Free\n");
}

TEST_F(LibraryTest, FailuresNameWhatFailed) {
    OpenHeadless();
    for (const std::string name : {"Exit", "Tan", "DbgLog", "StopBGMFade"}) {
        auto entry = reinterpret_cast<UnprovidedFn>(dlsym(Library().handle, name.c_str()));
        ASSERT_NE(entry, nullptr) << name;
        cell_ = 0;
        EXPECT_EQ(Raised(entry), "2 " + name + " is not provided by this library");
        EXPECT_NE(cell_, 0u) << name;
    }
    Library().Free();
    WriteText(LibraryDir() / "broken.zqtex", "not a picture at all, really not");
    for (const char* video : {"none", "offscreen"}) {
        SetSettings({{"PLUMO_VIDEO", video}});
        Open(&cell_);
        for (const char* name : {"absent.zqtex", "broken.zqtex"}) {
            const std::string message = Raised([&] { Load(name); });
            EXPECT_TRUE(message.starts_with("1 ") &&
                        message.find((LibraryDir() / name).string()) != std::string::npos)
                << video << ": " << message;
        }
        Library().Free();
    }
    String* title = Library().IToS(1, 0);
    const InitParams foreign{kProgramSignature + 1, kProgramMode, nullptr, nullptr, &cell_, title};
    EXPECT_EQ(Raised([&] { Library().Init(&foreign); }).substr(0, 2), "1 ");
    Library().FreeMem(title);
}

// The program's rounding mode and trap survive every call, and the library's
// own work does not trip the trap.
TEST_F(LibraryTest, ProgramFloatingPointEnvironmentSurvivesEveryCall) {
    WriteQuadrantPng("fp.zqtex");
    const auto dir = ScratchDir("fp");
    SetSettings({{"PLUMO_VIDEO", "offscreen"},
                 {"PLUMO_SHOT_FRAMES", "0"},
                 {"PLUMO_SHOT_DIR", dir.string()}});
    fenv_t original;
    fegetenv(&original);
    fesetround(FE_TOWARDZERO);
    feenableexcept(FE_INVALID);
    const Exports& lib = Library();
    Texture* texture = nullptr;
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"Init", [&] { Open(&cell_); }},
        {"LoadTex", [&] { texture = Load("fp.zqtex"); }},
        {"DrawTexRot",
         [&] {
             lib.DrawTexRot(texture, 0, 0, 64, 32, 0, 0, 640, 320, 320, 160, 0.3, 1, 1, 1, 0.5);
         }},
        {"Act with a shot", [&] { lib.Act(); }},
        {"Sqrt", [&] { EXPECT_TRUE(std::isnan(lib.Sqrt(-1))); }},
        {"a raising export",
         [&] { Raised(reinterpret_cast<UnprovidedFn>(dlsym(Library().handle, "Floor"))); }},
        {"release", [&] { Drop(texture); }},
        {"Free", [&] { lib.Free(); }}};
    for (const auto& [after, call] : calls) {
        call();
        EXPECT_EQ(fegetround(), FE_TOWARDZERO) << after;
        EXPECT_NE(fegetexcept() & FE_INVALID, 0) << after;
    }
    fesetenv(&original);
}

TEST_F(LibraryTest, RndStaysInInclusiveBoundsAndRepeatsForASeed) {
    OpenHeadless({{"PLUMO_SEED", "12345"}});
    const auto small = Draws(-2, 3, 2000);
    EXPECT_EQ(std::set<int64_t>(small.begin(), small.end()),
              (std::set<int64_t>{-2, -1, 0, 1, 2, 3}));
    EXPECT_EQ(Library().Rnd(9, 9), 9);
    EXPECT_EQ(Library().Rnd(-4, -4), -4);
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    const auto wide = Draws(kMin, kMax, 200);
    EXPECT_TRUE(*std::min_element(wide.begin(), wide.end()) < 0 &&
                *std::max_element(wide.begin(), wide.end()) > 0);
    for (int i = 0; i < 200; ++i) {
        ASSERT_LE(Library().Rnd(kMin, 0), 0);
        ASSERT_GE(Library().Rnd(kMax - 1, kMax), kMax - 1);
    }
    Library().Free();
    OpenHeadless({{"PLUMO_SEED", "12345"}});
    EXPECT_EQ(Draws(-2, 3, 2000), small);
}

TEST(Values, IToSMakesOwnedDecimalRecordsAndModKeepsTheSignOfX) {
    std::string texts;  // "|" marks the terminating zero
    for (int64_t value : {int64_t{0}, int64_t{7}, int64_t{-42}, std::numeric_limits<int64_t>::min(),
                          std::numeric_limits<int64_t>::max()}) {
        String* record = Library().IToS(value, 0);
        EXPECT_EQ(record->refCount, 1);
        for (int64_t i = 0; i <= record->length; ++i) {
            texts += record->units[i] == 0 ? '|' : static_cast<char>(record->units[i]);
        }
        Library().FreeMem(record);
    }
    EXPECT_EQ(texts, "0|7|-42|-9223372036854775808|9223372036854775807|");
    EXPECT_EQ(std::vector({Library().Mod(7.5, 2), Library().Mod(-7.5, 2), Library().Mod(7.5, -2)}),
              std::vector({1.5, -1.5, 1.5}));
}

TEST(Values, InvRotPointsAlongTheVector) {
    for (const auto& [x, y] : {std::pair{3.0, 4.0}, {-1.0, 0.5}, {0.0, -2.0}}) {
        const double angle = Library().InvRot(x, y);
        EXPECT_NEAR(Library().Cos(angle) * Library().Hypot(x, y), x, 1e-12);
        EXPECT_NEAR(Library().Sin(angle) * Library().Hypot(x, y), y, 1e-12);
    }
}

}  // namespace
}  // namespace plumo::test
