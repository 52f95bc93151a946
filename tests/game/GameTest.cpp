// The whole game on the real library and textures: the controls frame by frame in this
// process; set-up, "Start!!" and generation through the real program; whole games played by
// the bot in this process and replayed by the program, each to "Clear!", the retry offer and
// the title, with the same call trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "Drive.h"
#include "GameRun.h"

namespace morva::game_test {
namespace {

// "x700 y700 line3 stand right landed"
std::string Row(const GameFrameView& view) {
    static const char* const kMotions[] = {"stand", "walk", "dash", "attack", "motion?"};
    char row[128];
    std::snprintf(row, sizeof(row), "x%.17g y%.17g line%ld %s %s %s", view.playerX, view.playerY,
                  view.playerLine, kMotions[std::min<uint64_t>(view.playerMotion, 4)],
                  view.playerFacing == 0 ? "right" : "left", view.playerLanded ? "landed" : "air");
    return row;
}

// After the title, the bot or for 180 frames a script "<first game frame> <keys> ..." (J jump,
// S dash, A attack, L R U D arrows, - none). The bot pushes and releases space in frames 10
// to 19 of "Clear!", which must change nothing, and watches 30 title frames after the game.
struct Player : Bot {
    HeldButtons OnGameFrame(const GameFrameView& view) override {
        static constexpr std::string_view kKeys = "JSA         LRUD";  // by button
        views.push_back(view);
        HeldButtons held = script.empty() ? Bot::OnGameFrame(view) : HeldButtons{};
        std::istringstream in(script);
        int64_t from = 0;
        for (std::string keys; in >> from >> keys && from <= view.frame + 1;) {
            held = {};
            for (char key : keys) {
                held.at(key == '-' ? 3 : kKeys.find(key)) = key != '-';
            }
        }
        if (view.cleared && !view.retryOffered) {
            held[kJump] = ++clearFrames >= 10 && clearFrames < 20;
        }
        return held;
    }
    HeldButtons OnTitleFrame() override {
        titleFramesAfterGame += views.empty() ? 0 : 1;
        return views.empty() ? Bot::OnTitleFrame() : HeldButtons{};
    }
    bool Done() const override {  // a game takes about 2500 frames
        return titleFramesAfterGame >= 30 || views.size() >= (script.empty() ? 20000u : 180u);
    }
    std::string script;
    std::vector<GameFrameView> views;
    int64_t clearFrames = 0, titleFramesAfterGame = 0;
};

// Rows "<frame>[-<last>] <row>", checked up to the first wrong frame (later ones follow).
void ExpectRows(const std::string& script, const std::string& rows) {
    Player player;
    player.script = script;
    ASSERT_EQ(RunRealGame(player, {}).exitCode, 0);
    std::istringstream in(rows);
    int64_t first = 0, last = 0;
    for (std::string row; in >> first;) {
        last = in.peek() == '-' ? (in.ignore(), in >> last, last) : first;
        std::getline(in.ignore(), row);
        for (int64_t frame = first; frame <= last; ++frame) {
            const GameFrameView& view = player.views.at(frame - 1);
            ASSERT_EQ(view.frame, frame);
            ASSERT_EQ(Row(view), row) << "game frame " << frame;
        }
    }
}

TEST(GameControls, RightAndLeftInOneFrameWalkLeft) {  // after the fall onto line 3
    ExpectRows("30 RL", R"(
26 x700 y650 line3 stand right air
27-29 x700 y700 line3 stand right landed
30 x695 y700 line3 walk left landed
31 x690 y700 line3 walk left landed
33 x680 y700 line3 walk left landed)");
}

TEST(GameControls, ReleasingRightWhileLeftIsHeldStandsUntilLeftIsPushedAgain) {
    ExpectRows("30 R 35 RL 40 L 50 - 52 L", R"(
30 x705 y700 line3 walk right landed
34 x725 y700 line3 walk right landed
35 x720 y700 line3 walk left landed
39 x700 y700 line3 walk left landed
40-51 x700 y700 line3 stand left landed
52 x695 y700 line3 walk left landed
54 x685 y700 line3 walk left landed)");
}

TEST(GameControls, DashActsOnlyWhileWalkingAndIsReadAsHeld) {  // Right's push meets Dash in 35
    ExpectRows("30 S 35 SR 38 R", R"(
30-34 x700 y700 line3 stand right landed
35 x710 y700 line3 dash right landed
37 x730 y700 line3 dash right landed
38 x735 y700 line3 walk right landed
40 x745 y700 line3 walk right landed)");
}

TEST(GameControls, NothingButTheChainActsWhileAttacking) {  // an unchained step 1: 39 frames
    ExpectRows("30 A 31 - 33 R 36 RJ 40 L 44 LD 48 -", R"(
30-68 x700 y700 line3 attack right landed
69-70 x700 y700 line3 stand right landed)");
}

TEST(GameControls, JumpLeavesOnlyFromTheGroundBackwardsAndLands) {  // a push in the air: nothing
    const int heights[] = {688, 678, 670, 664, 660, 658, 658, 660, 664, 670, 678, 688, 700};
    std::string rows;
    for (int i = 0; i < 13; ++i) {
        rows += std::to_string(30 + i) + " x" + std::to_string(688 - 12 * i) + " y" +
                std::to_string(heights[i]) + " line3 stand right air\n";
    }
    ExpectRows("30 J 31 - 33 J 34 -", rows + "43-45 x532 y700 line3 stand right landed");
}

TEST(GameControls, LineChangesStopAtTheTopAndBottomLines) {
    ExpectRows("30 D 31 - 55 D 56 - 60 U 61 - 85 U 86 - 110 U 111 - 135 U 136 - 160 U 161 -", R"(
30 x700 y705 line4 stand right landed
49-56 x700 y800 line4 stand right landed
60 x700 y795 line3 stand right landed
80 x700 y700 line3 stand right landed
85 x700 y695 line2 stand right landed
110 x700 y595 line1 stand right landed
135 x700 y495 line0 stand right landed
155-170 x700 y400 line0 stand right landed)");
}

using e2e::TraceCall, e2e::TraceFrame;

// Game frame n of a run from the title, trace frame n + 1: the release comes in
// trace frame 2 and the game starts there without an Act.
const TraceFrame& GameFrame(int64_t n) {
    static const e2e::RunResult run = e2e::RunProgram(
        {.seed = 5, .frames = 368, .replay = e2e::Replay(5).Down(1, kJump).Up(2, kJump).text});
    EXPECT_TRUE(run.Finished() && run.trace.Frame(n + 1)) << n << ": " << run.Describe();
    return run.trace.frames.at(n + 1);
}

std::string LoadedFiles(const TraceFrame& frame) {
    std::string files;
    for (const TraceCall& call : frame.CallsNamed("LoadTex")) {
        files += call.file + " ";
    }
    return files;
}

// What a frame shows, e.g. "Retry? Push Space player title".
std::string Shows(const TraceFrame& frame) {
    std::string shows;
    for (const auto& [text, y, glyphW] : {std::tuple{"Start!! ", 200.0, 100.0},
                                          {"Clear! ", 300.0, 100.0},
                                          {"Retry? ", 300.0, 75.0},
                                          {"Push Space ", 500.0, 75.0}}) {
        bool drawn = false;
        for (const TraceCall& glyph : frame.DrawsOf("font_128_64.zqtex")) {
            drawn = drawn || (glyph.numbers.at(5) == y && glyph.numbers.at(6) == glyphW);
        }
        shows += drawn ? text : "";
    }
    shows += frame.DrawsOf("pelomar256.zqtex").empty() ? "" : "player ";
    shows += frame.DrawsOf("title.zqtex").empty() ? "" : "title ";
    return shows +
           (LoadedFiles(frame).find("ground.zqtex") != std::string::npos ? "new game " : "");
}

// What frames `first` to `last` show, run-length coded: "Clear! player x120, ...".
std::string Shown(auto frame, int64_t first, int64_t last) {
    std::string shown, previous;
    int64_t run = 0;
    for (int64_t n = first; n <= last && frame(n) != nullptr; ++n) {
        const std::string shows = Shows(*frame(n));
        if (shows != previous && run > 0) {
            shown += previous + "x" + std::to_string(std::exchange(run, 0)) + ", ";
        }
        previous = shows;
        ++run;
    }
    return shown + previous + "x" + std::to_string(run);
}

TEST(GameEndToEnd, SetUpLoadsTheTexturesOfEachObjectInTurn) {
    EXPECT_EQ(LoadedFiles(GameFrame(1)),
              "ground.zqtex distant_view.zqtex wood.zqtex pelomar256.zqtex sword.zqtex "
              "bullet.zqtex smog.zqtex font_128_64.zqtex combo.zqtex gauge.zqtex life.zqtex "
              "gauge.zqtex generate_hole.zqtex rock_enemy.zqtex ");
    EXPECT_EQ(GameFrame(1).CallsNamed("Rnd").size(), 120u);  // the stage's trees
}

TEST(GameEndToEnd, StartBannerShowsForTheFirstSixtyFramesOverThePlay) {
    EXPECT_EQ(Shown([](int64_t n) { return &GameFrame(n); }, 1, 62),
              "Start!! player title new game x1, Start!! player x59, player x2");
    // Its glyphs "srcX srcY dstX", 64 x 128 cells drawn 100 x 200 at y 200, last of all.
    for (int64_t frame = 1; frame <= 60; ++frame) {
        std::string glyphs;
        for (const TraceCall& draw : GameFrame(frame).DrawsOf("font_128_64.zqtex")) {
            const std::vector<double>& n = draw.numbers;
            if (n.at(5) == 200.0) {
                ASSERT_EQ(std::vector<double>(n.begin() + 2, n.end()),
                          (std::vector<double>{64, 128, n[4], 200, 100, 200, 1, 1, 1, 1}));
                glyphs += std::to_string(int(n[0])) + " " + std::to_string(int(n[1])) + " " +
                          std::to_string(int(n[4])) + ", ";
            }
        }
        ASSERT_EQ(glyphs + std::to_string(int(GameFrame(frame).DrawsOf("").back().numbers.at(4))),
                  "192 384 550, 256 640 650, 64 512 750, 128 640 850, 256 640 950, 64 0 1050, "
                  "64 0 1150, 1150")
            << "game frame " << frame;
    }
}

// Set-up's 120 numbers were the trees'; no texture loads after set-up.
TEST(GameEndToEnd, GenerationIsAttemptedEvery122ndFrameWithLinesOneToThree) {
    std::vector<int64_t> attempts;
    for (int64_t gameFrame = 2; gameFrame <= 366; ++gameFrame) {
        ASSERT_EQ(LoadedFiles(GameFrame(gameFrame)), "") << "game frame " << gameFrame;
        for (const TraceCall& rnd : GameFrame(gameFrame).CallsNamed("Rnd")) {
            ASSERT_TRUE(rnd.numbers.at(0) == 1.0 && rnd.numbers.at(1) == 3.0)
                << "game frame " << gameFrame << ": " << rnd;
            attempts.push_back(gameFrame);
        }
    }
    EXPECT_EQ(attempts, (std::vector<int64_t>{122, 244, 366}));
}

// The first line where two traces differ, "frame <n>: '<a>' vs '<b>'", or "" up to the
// header of frame `last` (the shutdown differs with the way a run stops), read in place;
// `pad` lines, which only the library's Pad writes, are skipped unless kept.
std::string_view NextLine(std::string_view& text, bool keepPad) {
    while (!text.empty()) {
        const std::string_view line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(line.size() + 1, text.size()));
        if (keepPad || !line.starts_with("pad ")) {
            return line;
        }
    }
    return "<end>";
}
std::string FirstDifference(std::string_view a, std::string_view b, bool keepPad,
                            int64_t last = INT64_MAX) {
    for (int64_t frame = 0;;) {
        const std::string_view x = NextLine(a, keepPad), y = NextLine(b, keepPad);
        if (x != y) {
            return "frame " + std::to_string(frame) + ": '" + std::string(x) + "' vs '" +
                   std::string(y) + "'";
        }
        constexpr std::string_view kFrame = "frame ";
        if (x.starts_with(kFrame)) {
            // Read in place: the line is a view into the whole trace.
            std::from_chars(x.data() + kFrame.size(), x.data() + x.size(), frame);
        }
        if (x == "<end>" || (x.starts_with(kFrame) && frame == last)) {
            return "";
        }
    }
}

using BotGame = ::testing::TestWithParam<int64_t>;

TEST_P(BotGame, PlaysToClearAndReplaysToTheSameTrace) {
    const int64_t seed = GetParam();
    const std::string tracePath =
        std::filesystem::temp_directory_path() / ("morva-bot-" + std::to_string(seed) + ".trace");
    Player bot;
    const RealRunResult played = RunRealGame(bot, {.seed = seed, .tracePath = tracePath});
    ASSERT_EQ(played.exitCode, 0);
    ASSERT_TRUE(!bot.views.empty() && bot.views.back().retryOffered)
        << "no retry offer after " << bot.views.size() << " game frames";
    // The end only with every attempt made and no rock left; every rock struck in a frame
    // a combo step of its own, scored (10, 15 or 40 a step) with the count that includes
    // it; a touch ending a combo with time left. Both cases must have happened.
    int64_t multiHitFrames = 0, touches = 0;
    for (std::size_t i = 0; i < bot.views.size(); ++i) {
        const GameFrameView &now = bot.views[i], &before = bot.views[i == 0 ? 0 : i - 1];
        const bool anyRock = std::any_of(now.rocks.begin(), now.rocks.end(),
                                         [](const RockView& rock) { return rock.active; });
        ASSERT_EQ(now.cleared, now.toGenerate == 0 && !anyRock) << "game frame " << now.frame;
        if (now.combo > before.combo) {
            const int64_t steps =
                (now.combo * (now.combo + 1) - before.combo * (before.combo + 1)) / 2;
            const int64_t gained = now.score - before.score;
            ASSERT_TRUE(gained == 10 * steps || gained == 15 * steps || gained == 40 * steps)
                << "game frame " << now.frame << ": combo " << before.combo << " -> " << now.combo
                << ", score +" << gained;
            multiHitFrames += now.combo - before.combo > 1 ? 1 : 0;
        } else if (before.combo > 0 && now.combo == 0 && now.comboTimer > 0) {
            ASSERT_FALSE(now.playerVulnerable) << "game frame " << now.frame;
            ++touches;
        }
    }
    EXPECT_GT(multiHitFrames, 0) << "no frame struck two rocks: the check above saw no such case";
    EXPECT_GT(touches, 0) << "no touch ended a combo: the check above saw no such case";
    if (const char* demo = std::getenv("MORVA_WRITE_DEMO")) {
        std::ofstream(demo) << played.replay;
    }
    // The program itself, from the bot's replay, then from its own recording.
    const auto program = [&](const std::string& replay, bool record) {
        return e2e::RunProgram(
            {.seed = seed, .frames = played.acts + 1, .replay = replay, .record = record});
    };
    const e2e::RunResult fromBot = program(played.replay, true);
    ASSERT_TRUE(fromBot.Finished()) << fromBot.Describe();
    const e2e::RunResult fromRecord = program(fromBot.recordText, false);
    ASSERT_TRUE(fromRecord.Finished()) << fromRecord.Describe();
    ASSERT_EQ(FirstDifference(fromBot.traceText, fromRecord.traceText, true), "");
    std::ifstream in(tracePath);
    const std::string inProcess((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(FirstDifference(inProcess, fromBot.traceText, false, played.acts), "");
    // "Clear!" for 120 frames though space went down and up in them, the retry texts until
    // the release, the title in that frame (no Act between), then waiting for a new push.
    const std::string shown =
        Shown([&](int64_t n) { return fromBot.trace.Frame(n); }, 0, played.acts);
    EXPECT_EQ(shown.substr(std::min(shown.find(", Clear!"), shown.size())),
              ", Clear! player x120, Retry? Push Space player x1, Retry? Push Space player title "
              "x1, title x30");
}

INSTANTIATE_TEST_SUITE_P(Seeds, BotGame, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace morva::game_test
