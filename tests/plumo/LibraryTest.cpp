// The library's exports, driven the way the program drives them.
#include <gtest/gtest.h>

#include <cfenv>
#include <chrono>
#include <cmath>
#include <set>

#include "Harness.h"

namespace plumo::test {
namespace {

// Letters: R G B W the picture's colours, "." black, r g b w at half, C cyan, T green, half blue.
constexpr std::tuple<char, int, int, int> kColours[] = {
    {'R', 255, 0, 0},     {'G', 0, 255, 0},   {'B', 0, 0, 255},  {'W', 255, 255, 255},
    {'.', 0, 0, 0},       {'r', 128, 0, 0},   {'g', 0, 128, 0},  {'b', 0, 0, 128},
    {'w', 128, 128, 128}, {'C', 0, 255, 255}, {'T', 0, 255, 128}};

// A screenshot's size, then its pixels every 50 from (25, 25), clear of picture edges, as
// letters a row a line without trailing black; each channel within 3, else "?".
std::string Sampled(const std::string& file) {
    SDL_Surface* png = IMG_Load(file.c_str());
    if (png == nullptr) {
        return IMG_GetError();
    }
    SDL_Surface* shot = SDL_ConvertSurfaceFormat(png, SDL_PIXELFORMAT_RGBA32, 0);  // r, g, b, a
    SDL_FreeSurface(png);
    std::string rows = std::to_string(shot->w) + " x " + std::to_string(shot->h) + "\n";
    for (int y = 25; y < shot->h; y += 50) {
        std::string row;
        for (int x = 25; x < shot->w; x += 50) {
            const Uint8* p = static_cast<const Uint8*>(shot->pixels) + y * shot->pitch + x * 4;
            row += '?';
            for (const auto& [name, r, g, b] : kColours) {
                if (std::abs(p[0] - r) <= 3 && std::abs(p[1] - g) <= 3 && std::abs(p[2] - b) <= 3) {
                    row.back() = name;
                }
            }
        }
        rows += row.erase(row.find_last_not_of('.') + 1) + '\n';
    }
    SDL_FreeSurface(shot);
    return rows;
}

class LibraryTest : public ::testing::Test {
protected:
    void TearDown() override { Library().Free(); }
    // A traced session, headless unless told otherwise, replaying the script when there is one.
    void OpenWith(const std::string& script, std::map<std::string, std::string> settings = {}) {
        if (!script.empty()) {
            std::ofstream(dir + "input.txt") << script;
            settings["PLUMO_REPLAY"] = dir + "input.txt";
        }
        settings.insert({{"PLUMO_VIDEO", "none"}, {"PLUMO_TRACE", dir + "out.trace"}});
        Open(settings, &cell);
    }

    const std::string dir = Library().out;
    uint64_t cell = 0;
};

// Under the program's floating-point environment (round toward zero, invalid
// operation trapped), which every call leaves as it found it.
TEST_F(LibraryTest, DrawingMirrorsRotatesTintsAndShootsOnlyListedFramesUnderTheProgramsEnv) {
    const auto expectProgramEnvironment = [](const char* after) {
        EXPECT_TRUE(fegetround() == FE_TOWARDZERO && (fegetexcept() & FE_INVALID) != 0) << after;
    };
    fesetround(FE_TOWARDZERO);
    feenableexcept(FE_INVALID);
    OpenWith("",
             {{"PLUMO_VIDEO", "offscreen"}, {"PLUMO_SHOT_FRAMES", "0,2"}, {"PLUMO_SHOT_DIR", dir}});
    Texture* t = Load("quad.zqtex");
    expectProgramEnvironment("Init and LoadTex");
    // Top: negative source sizes mirror. Middle: quarter turns about the centre and the
    // top-left corner, a mirrored half turn. Bottom: colour factors, clamped to 0..1.
    Library().DrawTex(t, 0, 0, 64, 32, 0, 0, 200, 100, 1, 1, 1, 1);
    Library().DrawTex(t, 64, 0, -64, 32, 300, 0, 200, 100, 1, 1, 1, 1);
    Library().DrawTex(t, 0, 32, 64, -32, 600, 0, 200, 100, 1, 1, 1, 1);
    Library().DrawTex(t, 64, 32, -64, -32, 900, 0, 200, 100, 1, 1, 1, 1);
    Library().DrawTex(t, 64, 0, -32, 32, 1200, 0, 200, 100, 1, 1, 1, 1);
    Library().DrawTexRot(t, 0, 0, 64, 32, 200, 300, 200, 100, 100, 50, M_PI / 2, 1, 1, 1, 1);
    Library().DrawTexRot(t, 0, 0, 64, 32, 800, 300, 200, 100, 0, 0, M_PI / 2, 1, 1, 1, 1);
    Library().DrawTexRot(t, 64, 0, -64, 32, 1200, 300, 200, 100, 100, 50, M_PI, 1, 1, 1, 1);
    Library().DrawTex(t, 0, 0, 64, 32, 0, 600, 200, 100, 0, 1, 1, 1);
    Library().DrawTex(t, 0, 0, 64, 32, 300, 600, 200, 100, -1, 2, 0.5, 5);
    Library().DrawTex(t, 0, 0, 64, 32, 600, 600, 200, 100, 1, 1, 1, 0.5);
    Library().DrawTex(t, 0, 0, 64, 32, 900, 600, 200, 100, 1, 1, 1, -1);
    Library().Act();
    expectProgramEnvironment("draws and an Act with a shot");
    Library().DrawTex(t, 0, 0, 64, 32, 0, 0, 1600, 900, 1, 1, 1, 1);
    Library().Act();
    Library().Act();
    EXPECT_TRUE(std::isnan(Library().Sqrt(-1)));
    Raised(reinterpret_cast<UnprovidedFn>(dlsym(Library().handle, "Floor")));
    expectProgramEnvironment("Sqrt(-1) and a raising export");
    Drop(t);
    Library().Free();
    expectProgramEnvironment("the last release and Free");
    fesetenv(FE_DFL_ENV);
    EXPECT_FALSE(std::filesystem::exists(dir + "frame-000001.png"));
    EXPECT_EQ(Sampled(dir + "frame-000000.png"),
              "1600 x 900\n"
              "RRGG..GGRR..BBWW..WWBB..GGGG\n"
              "BBWW..WWBB..RRGG..GGRR..WWWW\n\n\n\n"
              ".....BR\n"
              ".....BR.......BR........BBWW\n"
              ".....WG.......BR........RRGG\n"
              ".....WG.......WG\n"
              "..............WG\n\n\n"
              "..GG....GG..rrgg\n"
              "BBCC..bbTT..bbww\n\n\n\n\n");
    EXPECT_EQ(Sampled(dir + "frame-000002.png"), "1600 x 900\n" + std::string(18, '\n'))
        << "each frame starts from black";
}

TEST_F(LibraryTest, CountsFramesHeldSampledOncePerFrameAndKeepsShortTaps) {
    OpenWith(
        "# comment line\n2 jump down\n3 attack down\n3 attack up\n\n4 13 down\n"
        "5 0 up   # trailing comment\n6 right up\n6 right down\n"
        "7 dash down\n7 left down\n7 up down\n7 down down\n");
    // Pad, button per column; each read twice, a "?" marking a second read that differed.
    constexpr std::pair<int64_t, int64_t> kReads[] = {{0, 0},  {0, 2},  {0, 13}, {0, 1},  {0, 12},
                                                      {0, 14}, {0, 15}, {1, 0},  {0, 16}, {0, -1}};
    std::string seen;
    for (int frame = 0; frame < 8; ++frame, Library().Act(), seen += ' ') {
        for (const auto& [pad, button] : kReads) {
            const int64_t count = Library().Pad(pad, button);
            seen += std::to_string(count) + (Library().Pad(pad, button) == count ? "" : "?");
        }
    }
    EXPECT_EQ(seen,
              "0000000000 0000000000 1000000000 2100000000 3010000000 0020000000 0010000000 "
              "0021111000 ");
}

// However little a frame costs, frames come no faster than the rate asked, with
// the keys read late or not; only a lower bound, so a slow machine passes too.
TEST_F(LibraryTest, FramesComeNoFasterThanTheRateAsked) {
    OpenWith("", {{"PLUMO_FPS", "60"}});
    Library().Act();
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < 30; ++frame) {
        Library().Act();
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30 * 1000 / 60));
}

// The trace holds every traced call in order and is on disk when the frame limit ends the
// run; a tap or a release shows for a frame. The recording, format line first, carries the
// seed (5 draws 6 from Rnd 1 6), which wins over PLUMO_SEED, so it replays to the same trace.
TEST_F(LibraryTest, TraceIsCompleteAtTheFrameLimitAndTheRecordingReplaysToIt) {
    const auto run = [&](const char* seed, const std::string& script) {
        OpenWith(script,
                 {{"PLUMO_SEED", seed}, {"PLUMO_FRAMES", "3"}, {"PLUMO_RECORD", dir + "rec"}});
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
        EXPECT_NE(cell, 0u);
        return ReadText(dir + "out.trace");
    };
    const std::string trace = run(
        "5",
        "1 jump down\n1 dash down\n1 dash up\n2 jump up\n2 jump down\n2 jump up\n2 right down\n");
    EXPECT_EQ(trace,
              "plumo-trace 1\nInit \"MORVA var 0.2\"\nframe 0\nLoadTex \"quad.zqtex\" 1\n"
              "LoadTex \"quad.zqtex\" 2\nDrawTex 1 0 0 64 32 10 20 64 32 1 0.5 0.25 0.78\n"
              "frame 1\npad 0 down\npad 1 down\n"
              "DrawTexRot 2 64 0 -64 32 -1000 0 128 64 64 32 0.016666666666666666 1 1 1 1\n"
              "Rnd 1 6 6\nReleaseTex 1\nframe 2\npad 0 up\npad 0 down\npad 1 up\npad 13 down\n"
              "ReleaseTex 2\n");
    Library().Free();
    EXPECT_EQ(ReadText(dir + "out.trace"), trace + "Free\n");
    EXPECT_EQ(ReadText(dir + "rec").substr(0, 22), "plumo-replay 1\nseed 5\n");
    EXPECT_EQ(run("7", ReadText(dir + "rec")), trace);
}

TEST_F(LibraryTest, FailuresNameWhatFailedAndWhere) {
    const auto expectRaises = [](const std::function<void()>& call, const std::string& want) {
        EXPECT_EQ(Raised(call).substr(0, want.size()), want);
    };
    OpenWith("");
    for (const std::string name : {"Exit", "Tan", "DbgLog", "StopBGMFade"}) {  // all exported
        auto entry = reinterpret_cast<UnprovidedFn>(dlsym(Library().handle, name.c_str()));
        cell = 0;
        expectRaises(entry, "2 " + name + " is not provided by this library");
        EXPECT_NE(cell, 0u) << name;
    }
    const std::string data = Library().dir;
    std::ofstream(data + "broken.zqtex") << "not a picture at all, really not";
    for (const char* video : {"none", "offscreen"}) {
        Library().Free();
        OpenWith("", {{"PLUMO_VIDEO", video}});
        for (const char* name : {"absent.zqtex", "broken.zqtex"}) {
            expectRaises([&] { Load(name); }, "1 cannot read texture " + data + name + ": ");
        }
        // Each side of each UTF-8 length, and a surrogate pair, in the name as it is shown.
        expectRaises(
            [&] { Library().LoadTex(Text(u"\u007f\u0080\u07ff\u0800\uffff\U00010000\U0010ffff")); },
            "1 cannot read texture " + data +
                "\\x7f\u0080\u07ff\u0800\uffff\U00010000\U0010ffff: ");
    }
    Library().Free();
    const std::pair<const char*, const char*> badLines[] = {
        {"1 jump down\n2 kick down\n", "2: unknown button 'kick'"},
        {"1 jump down\n\n3 jump sideways\n", "3: expected down or up, not 'sideways'"},
        {"4 0 down\n3 0 up\n", "2: frame numbers must ascend"},
        {"1 jump down\nseed 5\n", "2: the seed line must come first"},
        {"1 16 down\n", "1: unknown button '16'"},
        {"0 0 down\n", "1: frame numbers start at 1"},
        {"plumo-replay 2\nseed 5\n", "1: unknown replay format version 2"},
        {"seed 5\nplumo-replay 1\n", "2: the format line must come first"}};
    for (const auto& [script, where] : badLines) {
        expectRaises([&] { OpenWith(script); }, "1 replay file " + dir + "input.txt line " + where);
    }
    expectRaises([&] { Open({}, &cell, kProgramSignature + 1); },
                 "1 Init was called with an unknown parameter signature");
    OpenWith("");
    expectRaises([&] { OpenWith(""); }, "1 Init was called twice");
}

// A seed's draws repeating is pinned by the trace test.
TEST_F(LibraryTest, RndStaysInInclusiveBoundsAndAFreshSeedIsRecorded) {
    OpenWith("", {{"PLUMO_RECORD", dir + "rec"}});
    std::set<int64_t> small, wideSigns;
    for (int i = 0; i < 2000; ++i) {
        small.insert(Library().Rnd(-2, 3));
        wideSigns.insert(Library().Rnd(INT64_MIN, INT64_MAX) < 0 ? -1 : 1);
        ASSERT_LE(Library().Rnd(INT64_MIN, 0), 0);
        ASSERT_GE(Library().Rnd(INT64_MAX - 1, INT64_MAX), INT64_MAX - 1);
    }
    small.insert({Library().Rnd(9, 9), Library().Rnd(-4, -4)});  // the only ways to -4 and 9
    EXPECT_EQ(small, (std::set<int64_t>{-4, -2, -1, 0, 1, 2, 3, 9}));
    EXPECT_EQ(wideSigns, (std::set<int64_t>{-1, 1}));
    Library().Free();
    EXPECT_EQ(ReadText(dir + "rec").substr(0, 20), "plumo-replay 1\nseed ");
}

// IToS gives owned, zero-terminated records; callers are promised Mod's
// remainder takes the sign of x.
TEST(Values, IToSRecordsAndModSign) {
    std::string texts;  // "|" marks the terminating zero, "?" its absence
    for (int64_t value : {int64_t{0}, int64_t{7}, int64_t{-42}, INT64_MIN, INT64_MAX}) {
        String* record = Library().IToS(value, 0);
        EXPECT_EQ(record->refCount, 1);
        texts += std::string(record->units, record->units + record->length) +
                 (record->units[record->length] == 0 ? "|" : "?");
        Library().FreeMem(record);
    }
    EXPECT_EQ(texts, "0|7|-42|-9223372036854775808|9223372036854775807|");
    EXPECT_EQ(Library().Mod(-2500.0, 2000.0), -500.0);
    EXPECT_EQ(Library().Mod(2500.0, 2000.0), 500.0);
}

// Freed small blocks are kept for reuse, so a second free of one must not
// hand it out twice. Sanitizer builds leave this to the sanitizer.
TEST(Values, ASmallBlockFreedTwiceIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reports a double free itself";
#else
    String* record = Library().IToS(12, 0);
    Library().FreeMem(record);
    EXPECT_EQ(Raised([&] { Library().FreeMem(record); }),
              "1 FreeMem was given a block that was freed already");
    String* first = Library().IToS(1, 0);
    String* second = Library().IToS(2, 0);
    EXPECT_NE(first, second);
    Library().FreeMem(first);
    Library().FreeMem(second);
#endif
}

}  // namespace
}  // namespace plumo::test
