// The library's exports: pixels of offscreen frames, replayed and recorded
// input, the call trace, failures, the floating-point environment, random
// numbers and string records.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cfenv>
#include <cmath>
#include <limits>
#include <set>

#include "Harness.h"

namespace plumo::test {
namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb R{255, 0, 0}, G{0, 255, 0}, B{0, 0, 255}, W{255, 255, 255}, K{0, 0, 0};

// A 1600 x 900 screenshot as RGBA32: bytes r, g, b, a.
SDL_Surface* Shot(const std::filesystem::path& file) {
    SDL_Surface* png = IMG_Load(file.c_str());
    SDL_Surface* shot = png ? SDL_ConvertSurfaceFormat(png, SDL_PIXELFORMAT_RGBA32, 0) : png;
    SDL_FreeSurface(png);
    EXPECT_TRUE(shot == nullptr || (shot->w == 1600 && shot->h == 900));
    return shot;
}

void ExpectAt(SDL_Surface* shot, int x, int y, Rgb want) {
    const Uint8* p = static_cast<const Uint8*>(shot->pixels) + y * shot->pitch + x * 4;
    EXPECT_TRUE(std::abs(p[0] - want[0]) <= 3 && std::abs(p[1] - want[1]) <= 3 &&
                std::abs(p[2] - want[2]) <= 3)
        << "pixel (" << x << ", " << y << ") is " << +p[0] << "," << +p[1] << "," << +p[2]
        << ", want " << want[0] << "," << want[1] << "," << want[2];
}

// The quadrant centres of a 200 x 100 picture at (x, y), clear of the smoothing.
void ExpectQuadrants(SDL_Surface* shot, int x, int y, Rgb tl, Rgb tr, Rgb bl, Rgb br) {
    const Rgb quadrants[] = {tl, tr, bl, br};
    for (int i = 0; i < 4; ++i) {
        ExpectAt(shot, x + 50 + 100 * (i % 2), y + 25 + 50 * (i / 2), quadrants[i]);
    }
}

void ExpectProgramEnvironment(const char* after) {
    EXPECT_TRUE(fegetround() == FE_TOWARDZERO && (fegetexcept() & FE_INVALID) != 0) << after;
}

// Under the program's floating-point environment (round toward zero, invalid
// operation trapped), which every call leaves as it found it.
TEST(Drawing, MirrorsRotatesTintsAndShootsOnlyListedFramesUnderTheProgramsEnvironment) {
    WriteQuadrantPng("draw.zqtex");
    const auto dir = ScratchDir("shots");
    SetSettings({{"PLUMO_VIDEO", "offscreen"},
                 {"PLUMO_SHOT_FRAMES", "0,2"},
                 {"PLUMO_SHOT_DIR", dir.string()}});
    fenv_t original;
    fegetenv(&original);
    fesetround(FE_TOWARDZERO);
    feenableexcept(FE_INVALID);
    uint64_t cell = 0;
    Open(&cell);
    ExpectProgramEnvironment("Init");
    const Exports& lib = Library();
    Texture* texture = Load("draw.zqtex");
    ExpectProgramEnvironment("LoadTex");
    // Row 0: source rectangles x, y, w, h; negative sizes mirror.
    const double sources[][4] = {
        {0, 0, 64, 32}, {64, 0, -64, 32}, {0, 32, 64, -32}, {64, 32, -64, -32}, {64, 0, -32, 32}};
    for (int i = 0; i < 5; ++i) {
        lib.DrawTex(texture, sources[i][0], sources[i][1], sources[i][2], sources[i][3], 300 * i, 0,
                    200, 100, 1, 1, 1, 1);
    }
    // Row 300: quarter turns about the centre and the top-left corner; a mirrored half turn.
    lib.DrawTexRot(texture, 0, 0, 64, 32, 200, 300, 200, 100, 100, 50, M_PI / 2, 1, 1, 1, 1);
    lib.DrawTexRot(texture, 0, 0, 64, 32, 800, 300, 200, 100, 0, 0, M_PI / 2, 1, 1, 1, 1);
    lib.DrawTexRot(texture, 64, 0, -64, 32, 1200, 300, 200, 100, 100, 50, M_PI, 1, 1, 1, 1);
    // Row 600: colour factors r, g, b and alpha, clamped to 0..1.
    const double tints[][4] = {{0, 1, 1, 1}, {-1, 2, 0.5, 5}, {1, 1, 1, 0.5}, {1, 1, 1, -1}};
    for (int i = 0; i < 4; ++i) {
        lib.DrawTex(texture, 0, 0, 64, 32, 300 * i, 600, 200, 100, tints[i][0], tints[i][1],
                    tints[i][2], tints[i][3]);
    }
    lib.Act();
    ExpectProgramEnvironment("draws and an Act with a shot");
    lib.DrawTex(texture, 0, 0, 64, 32, 0, 0, 1600, 900, 1, 1, 1, 1);
    lib.Act();
    lib.Act();
    EXPECT_TRUE(std::isnan(lib.Sqrt(-1)));
    Raised(reinterpret_cast<UnprovidedFn>(dlsym(Library().handle, "Floor")));
    ExpectProgramEnvironment("Sqrt(-1) and a raising export");
    Drop(texture);
    lib.Free();
    ExpectProgramEnvironment("the last release and Free");
    fesetenv(&original);
    EXPECT_FALSE(std::filesystem::exists(dir / "frame-000001.png"));
    SDL_Surface* shot = Shot(dir / "frame-000000.png");
    ASSERT_NE(shot, nullptr) << IMG_GetError();
    ExpectQuadrants(shot, 0, 0, R, G, B, W);
    ExpectQuadrants(shot, 300, 0, G, R, W, B);
    ExpectQuadrants(shot, 600, 0, B, W, R, G);
    ExpectQuadrants(shot, 900, 0, W, B, G, R);
    ExpectQuadrants(shot, 1200, 0, G, G, W, W);
    // About the centre (300, 350) the picture covers x 250..350, y 250..450;
    // about the corner (800, 300) it swings to x 700..800, y 300..500.
    const std::tuple<int, int, Rgb> kTurned[] = {{325, 300, R}, {325, 400, G}, {275, 300, B},
                                                 {275, 400, W}, {210, 350, K}, {775, 350, R},
                                                 {725, 450, W}, {850, 350, K}};
    for (const auto& [x, y, want] : kTurned) {
        ExpectAt(shot, x, y, want);
    }
    ExpectQuadrants(shot, 1200, 300, B, W, R, G);
    ExpectQuadrants(shot, 0, 600, K, G, B, {0, 255, 255});
    ExpectQuadrants(shot, 300, 600, K, G, {0, 0, 128}, {0, 255, 128});
    ExpectQuadrants(shot, 600, 600, {128, 0, 0}, {0, 128, 0}, {0, 0, 128}, {128, 128, 128});
    ExpectQuadrants(shot, 900, 600, K, K, K, K);
    SDL_FreeSurface(shot);
    shot = Shot(dir / "frame-000002.png");
    ASSERT_NE(shot, nullptr) << IMG_GetError();
    ExpectQuadrants(shot, 0, 600, K, K, K, K);  // each frame starts from black
    SDL_FreeSurface(shot);
}

class LibraryTest : public ::testing::Test {
protected:
    void TearDown() override { Library().Free(); }
    // A headless session, replaying the script when there is one.
    void OpenWith(const std::string& script, std::map<std::string, std::string> settings = {}) {
        if (!script.empty()) {
            std::ofstream(ScratchDir("replay") / "input.txt") << script;
            settings["PLUMO_REPLAY"] = (Library().dir / "replay" / "input.txt").string();
        }
        settings["PLUMO_VIDEO"] = "none";
        SetSettings(settings);
        Open(&cell_);
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
    std::string seen;
    for (int frame = 0; frame < 8; ++frame, Library().Act()) {
        for (int i = 0; i < 10; ++i) {
            const int64_t count = Library().Pad(i == 7 ? 1 : 0, buttons[i]);
            EXPECT_EQ(Library().Pad(i == 7 ? 1 : 0, buttons[i]), count) << "read twice";
            seen += std::to_string(count);
        }
        seen += ' ';
    }
    EXPECT_EQ(seen,
              "0000000000 0000000000 1000000000 2100000000 3010000000 0020000000 0010000000 "
              "0021111000 ");
}

TEST_F(LibraryTest, MalformedLineNamesFileAndLine) {
    const std::string file = (Library().dir / "replay" / "input.txt").string();
    const std::pair<const char*, const char*> cases[] = {
        {"1 jump down\n2 kick down\n", " line 2"},
        {"1 jump down\n\n3 jump sideways\n", " line 3"},
        {"4 0 down\n3 0 up\n", " line 2"},
        {"1 jump down\nseed 5\n", " line 2"},
        {"1 16 down\n", " line 1"},
        {"0 0 down\n", " line 1"}};
    for (const auto& [script, line] : cases) {
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
    auto session = [&](const std::string& script, std::map<std::string, std::string> settings) {
        settings["PLUMO_TRACE"] = (dir / "out.trace").string();
        OpenWith(script, settings);
        for (int frame = 0; frame < 12; ++frame) {
            Library().Rnd(0, 1000000);
            Library().Act();
        }
        Library().Free();
        return ReadText(dir / "out.trace");
    };
    const std::string first = session(
        "1 jump down\n1 jump up\n2 dash down\n4 dash up\n4 dash down\n5 dash up\n"
        "5 dash down\n5 dash up\n6 left down\n7 right down\n9 left up\n9 right up\n",
        {{"PLUMO_RECORD", (dir / "recorded.txt").string()}});
    EXPECT_EQ(ReadText(dir / "recorded.txt").rfind("seed ", 0), 0u);
    EXPECT_NE(first.find("frame 9\npad 12 up\npad 13 up\n"), std::string::npos) << first;
    EXPECT_EQ(session(ReadText(dir / "recorded.txt"), {{"PLUMO_SEED", "7"}}), first);
}

TEST_F(LibraryTest, TraceHoldsEveryTracedCallInOrderAndIsCompleteWhenTheFrameLimitEnds) {
    const auto dir = ScratchDir("trace");  // the seed fixes the draw: Rnd 1 6 gives 6
    WriteQuadrantPng("quad.zqtex");
    OpenWith("1 jump down\n2 jump up\n2 right down\n",
             {{"PLUMO_SEED", "5"},
              {"PLUMO_FRAMES", "3"},
              {"PLUMO_TRACE", (dir / "out.trace").string()}});
    const Exports& lib = Library();
    Texture* texture = Load("quad.zqtex");
    Texture* second = Load("quad.zqtex");
    lib.DrawTex(texture, 0, 0, 64, 32, 10, 20, 64, 32, 1, 0.5, 0.25, 0.78);
    lib.Pad(0, 0);
    lib.Act();
    lib.DrawTexRot(second, 64, 0, -64, 32, -1000, 0, 128, 64, 64, 32, 1.0 / 60, 1, 1, 1, 1);
    lib.Rnd(1, 6);
    lib.Sqrt(2);
    Drop(texture);
    lib.Act();
    Drop(second);
    EXPECT_EQ(Raised([&] { lib.Act(); }).substr(0, 2), "0 ") << "the third Act ends quietly";
    EXPECT_NE(cell_, 0u);
    const std::string trace =
        "plumo-trace 1\nInit \"MORVA var 0.2\"\nframe 0\n"
        "LoadTex \"quad.zqtex\" 1\nLoadTex \"quad.zqtex\" 2\n"
        "DrawTex 1 0 0 64 32 10 20 64 32 1 0.5 0.25 0.78\n"
        "frame 1\npad 0 down\n"
        "DrawTexRot 2 64 0 -64 32 -1000 0 128 64 64 32 0.016666666666666666 1 1 1 1\n"
        "Rnd 1 6 6\nReleaseTex 1\nframe 2\npad 0 up\npad 13 down\nReleaseTex 2\n";
    EXPECT_EQ(ReadText(dir / "out.trace"), trace) << "on disk before Free";
    lib.Free();
    EXPECT_EQ(ReadText(dir / "out.trace"), trace + "Free\n");
}

TEST_F(LibraryTest, FailuresNameWhatFailed) {
    OpenWith("");
    for (const std::string name : {"Exit", "Tan", "DbgLog", "StopBGMFade"}) {
        auto entry = reinterpret_cast<UnprovidedFn>(dlsym(Library().handle, name.c_str()));
        ASSERT_NE(entry, nullptr) << name;
        cell_ = 0;
        EXPECT_EQ(Raised(entry), "2 " + name + " is not provided by this library");
        EXPECT_NE(cell_, 0u) << name;
    }
    Library().Free();
    std::ofstream(Library().dir / "broken.zqtex") << "not a picture at all, really not";
    for (const char* video : {"none", "offscreen"}) {
        SetSettings({{"PLUMO_VIDEO", video}});
        Open(&cell_);
        for (const char* name : {"absent.zqtex", "broken.zqtex"}) {
            const std::string message = Raised([&] { Load(name); });
            EXPECT_TRUE(message.starts_with("1 ") &&
                        message.find((Library().dir / name).string()) != std::string::npos)
                << video << ": " << message;
        }
        Library().Free();
    }
    EXPECT_EQ(Raised([&] { Open(&cell_, kProgramSignature + 1); }).substr(0, 2), "1 ");
}

TEST_F(LibraryTest, RndStaysInInclusiveBoundsAndRepeatsForASeed) {
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    std::string runs[2];
    for (std::string& drawn : runs) {
        OpenWith("", {{"PLUMO_SEED", "12345"}});
        std::set<int64_t> small, wideSigns;
        for (int i = 0; i < 2000; ++i) {
            const int64_t value = Library().Rnd(-2, 3);
            small.insert(value);
            drawn += std::to_string(value) + ' ';
            wideSigns.insert(Library().Rnd(kMin, kMax) < 0 ? -1 : 1);
            ASSERT_LE(Library().Rnd(kMin, 0), 0);
            ASSERT_GE(Library().Rnd(kMax - 1, kMax), kMax - 1);
        }
        EXPECT_EQ(small, (std::set<int64_t>{-2, -1, 0, 1, 2, 3}));
        EXPECT_EQ(wideSigns, (std::set<int64_t>{-1, 1}));
        EXPECT_EQ(std::vector({Library().Rnd(9, 9), Library().Rnd(-4, -4)}),
                  std::vector<int64_t>({9, -4}));
        Library().Free();
    }
    EXPECT_EQ(runs[0], runs[1]);
}

TEST(Values, IToSGivesOwnedZeroTerminatedRecords) {
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
}

// Callers are promised the remainder takes the sign of x.
TEST(Values, ModKeepsTheSignOfX) {
    EXPECT_EQ(Library().Mod(-2500.0, 2000.0), -500.0);
    EXPECT_EQ(Library().Mod(2500.0, 2000.0), 500.0);
}

}  // namespace
}  // namespace plumo::test
