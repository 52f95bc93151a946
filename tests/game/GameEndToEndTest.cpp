// The whole game through the real program, library and textures: set-up,
// "Start!!" and generation in one run; then whole games played by the bot in
// this process and replayed by the program itself, each to "Clear!", the
// retry offer and the title, giving the same call trace every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "Drive.h"
#include "GameRun.h"

namespace morva::game_test {
namespace {

using e2e::TraceCall;
using e2e::TraceFrame;

// Game frame n of one run from the title (the release comes in trace frame
// 2 and the game starts there without an Act): trace frame n + 1.
const TraceFrame& GameFrame(int64_t gameFrame) {
    static const e2e::RunResult run = [] {
        e2e::RunOptions options;
        options.seed = 5;
        options.frames = 368;
        options.replay = e2e::Replay(5).Down(1, kJump).Up(2, kJump).text;
        return e2e::RunProgram(options);
    }();
    static const TraceFrame kNone;
    const TraceFrame* frame = run.trace.Frame(gameFrame + 1);
    EXPECT_TRUE(run.Finished() && frame != nullptr) << gameFrame << ": " << run.Describe();
    return frame != nullptr ? *frame : kNone;
}

// What a frame shows, e.g. "Retry? Push Space player title".
std::string Shows(const TraceFrame& frame) {
    std::string shows;
    for (const auto& [text, y, glyphW] : {std::tuple{"Start!! ", 200.0, 100.0},
                                          {"Clear! ", 300.0, 100.0},
                                          {"Retry? ", 300.0, 75.0},
                                          {"Push Space ", 500.0, 75.0}}) {
        for (const TraceCall& draw : frame.DrawsOf("font_128_64.zqtex")) {
            if (draw.numbers.at(5) == y && draw.numbers.at(6) == glyphW) {
                shows += text;
                break;
            }
        }
    }
    shows += frame.DrawsOf("pelomar256.zqtex").empty() ? "" : "player ";
    shows += frame.DrawsOf("title.zqtex").empty() ? "" : "title ";
    for (const TraceCall& load : frame.CallsNamed("LoadTex")) {
        shows += load.file == "ground.zqtex" ? "new game " : "";
    }
    return shows;
}

// What frames `first` to `last` show, run-length coded: "Clear! player x120, ...".
std::string Shown(const std::function<const TraceFrame*(int64_t)>& frame, int64_t first,
                  int64_t last) {
    std::string shown, previous;
    int64_t run = 0;
    for (int64_t n = first; n <= last && frame(n) != nullptr; ++n) {
        const std::string shows = Shows(*frame(n));
        if (shows != previous && run > 0) {
            shown += previous + "x" + std::to_string(run) + ", ";
            run = 0;
        }
        previous = shows;
        ++run;
    }
    return shown + previous + "x" + std::to_string(run);
}

std::string Files(const std::vector<TraceCall>& calls) {
    std::string files;
    for (const TraceCall& call : calls) {
        files += call.file + " ";
    }
    return files;
}

TEST(GameEndToEnd, SetUpLoadsTheTexturesOfEachObjectInTurn) {
    EXPECT_EQ(Files(GameFrame(1).CallsNamed("LoadTex")),
              "ground.zqtex distant_view.zqtex wood.zqtex pelomar256.zqtex sword.zqtex "
              "bullet.zqtex smog.zqtex font_128_64.zqtex combo.zqtex gauge.zqtex life.zqtex "
              "gauge.zqtex generate_hole.zqtex rock_enemy.zqtex ");
    // The stage's trees take their 120 numbers before anything is drawn.
    EXPECT_EQ(GameFrame(1).CallsNamed("Rnd").size(), 120u);
    for (int64_t frame = 2; frame <= 366; ++frame) {
        ASSERT_EQ(Files(GameFrame(frame).CallsNamed("LoadTex")), "") << "game frame " << frame;
    }
}

TEST(GameEndToEnd, StartBannerShowsForTheFirstSixtyFramesOverThePlay) {
    EXPECT_EQ(Shown([](int64_t n) { return &GameFrame(n); }, 1, 62),
              "Start!! player title new game x1, Start!! player x59, player x2");
    // Its glyphs, "srcX srcY dstX" each, 64 x 128 cells drawn 100 x 200 at
    // y 200, last of all, over the field and the score board.
    std::string glyphs;
    for (const TraceCall& draw : GameFrame(1).DrawsOf("font_128_64.zqtex")) {
        const std::vector<double>& n = draw.numbers;
        if (n.at(5) == 200.0) {
            EXPECT_EQ(std::vector<double>(n.begin() + 2, n.end()),
                      (std::vector<double>{64, 128, n[4], 200, 100, 200, 1, 1, 1, 1}));
            glyphs += std::to_string(int(n[0])) + " " + std::to_string(int(n[1])) + " " +
                      std::to_string(int(n[4])) + ", ";
        }
    }
    EXPECT_EQ(glyphs,
              "192 384 550, 256 640 650, 64 512 750, 128 640 850, 256 640 950, "
              "64 0 1050, 64 0 1150, ");
    for (int64_t frame = 1; frame <= 60; ++frame) {
        ASSERT_EQ(GameFrame(frame).DrawsOf("").back().numbers.at(4), 1150.0)
            << "game frame " << frame;
    }
}

TEST(GameEndToEnd, GenerationIsAttemptedEvery122ndFrameWithLinesOneToThree) {
    std::vector<int64_t> attempts;
    for (int64_t gameFrame = 1; gameFrame <= 366; ++gameFrame) {
        for (const TraceCall& rnd : GameFrame(gameFrame).CallsNamed("Rnd")) {
            if (rnd.numbers.at(0) != 1.0 || rnd.numbers.at(1) != 3.0) {
                ASSERT_EQ(gameFrame, 1) << rnd;  // only the trees, at set-up
                continue;
            }
            EXPECT_TRUE(rnd.numbers.at(2) >= 1.0 && rnd.numbers.at(2) <= 3.0) << rnd;
            attempts.push_back(gameFrame);
        }
    }
    EXPECT_EQ(attempts, (std::vector<int64_t>{122, 244, 366}));
}

constexpr int64_t kMaxActs = 20000;  // a game takes about 2500 frames
constexpr int64_t kTitleWatchFrames = 30;

// The bot, plus a push and release of the space key in frames 10 to 19 of
// "Clear!" that must change nothing, and a title after the game that must
// wait for a new push.
class BotController : public Bot {
public:
    HeldButtons OnGameFrame(const GameFrameView& view) override {
        ++framesSeen;
        views.push_back(view);
        HeldButtons held = Bot::OnGameFrame(view);
        if (view.cleared && !view.retryOffered) {
            ++clearFrames;
            held[kJump] = clearFrames >= 10 && clearFrames < 20;
        }
        return held;
    }
    HeldButtons OnTitleFrame() override {
        ++framesSeen;
        titleFramesAfterGame += views.empty() ? 0 : 1;
        return views.empty() ? Bot::OnTitleFrame() : HeldButtons{};
    }
    bool Done() const override {
        return titleFramesAfterGame >= kTitleWatchFrames || framesSeen >= kMaxActs;
    }

    std::vector<GameFrameView> views;
    int64_t clearFrames = 0, titleFramesAfterGame = 0, framesSeen = 0;
};

// The trace up to the end of the given frame (the shutdown differs with the
// way a run was stopped), without the `pad` lines only the library's Pad writes.
std::string Comparable(const std::string& trace, int64_t lastFrame) {
    std::istringstream in(trace);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with("pad ")) {
            out += line + "\n";
        }
        if (line == "frame " + std::to_string(lastFrame)) {
            break;
        }
    }
    return out;
}

// The first differing line of two texts, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
    const std::size_t start = at == 0 ? 0 : a.rfind('\n', at - 1) + 1;
    const auto line = [start](const std::string& text) {
        return "'" + text.substr(start, text.find('\n', start) - start) + "'";
    };
    return "line " + std::to_string(std::count(a.begin(), a.begin() + start, '\n') + 1) + ": " +
           line(a) + " vs " + line(b);
}

// The end comes only with every attempt made and no rock left; every rock
// struck in a frame is a combo step of its own, scored (10, 15 or 40 points
// a step) with the count that includes it; a touch ends a combo with time
// left. Both cases must have happened.
void CheckScoring(const std::vector<GameFrameView>& views) {
    int64_t multiHitFrames = 0, touches = 0;
    for (std::size_t i = 0; i < views.size(); ++i) {
        const GameFrameView& now = views[i];
        bool anyRock = false;
        for (const RockView& rock : now.rocks) {
            anyRock = anyRock || rock.active;
        }
        ASSERT_EQ(now.cleared, now.toGenerate == 0 && !anyRock) << "game frame " << now.frame;
        if (i == 0) {
            continue;
        }
        const GameFrameView& before = views[i - 1];
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
    EXPECT_TRUE(views.back().retryOffered);
    EXPECT_GT(views.back().score, 0);
}

class BotGame : public ::testing::TestWithParam<int64_t> {};

TEST_P(BotGame, PlaysToClearAndReplaysToTheSameTrace) {
    const int64_t seed = GetParam();
    RealRunOptions options;
    options.seed = seed;
    options.tracePath =
        std::filesystem::temp_directory_path() / ("morva-bot-" + std::to_string(seed) + ".trace");
    BotController controller;
    const RealRunResult played = RunRealGame(controller, options);
    ASSERT_EQ(played.exitCode, 0);
    ASSERT_LT(controller.framesSeen, kMaxActs) << "no clear within " << kMaxActs << " frames";
    ASSERT_FALSE(controller.views.empty());
    CheckScoring(controller.views);
    if (::testing::Test::HasFatalFailure()) {
        return;
    }
    if (const char* demo = std::getenv("MORVA_WRITE_DEMO")) {
        std::ofstream(demo) << played.replay;
    }

    // The program itself, from the bot's replay, then from its own recording.
    e2e::RunOptions replay;
    replay.seed = seed;
    replay.frames = played.acts + 1;
    replay.replay = played.replay;
    replay.record = true;
    const e2e::RunResult fromBot = e2e::RunProgram(replay);
    ASSERT_TRUE(fromBot.Finished()) << fromBot.Describe();
    replay.replay = fromBot.recordText;
    replay.record = false;
    const e2e::RunResult fromRecord = e2e::RunProgram(replay);
    ASSERT_TRUE(fromRecord.Finished()) << fromRecord.Describe();
    // Compared as one flag: a diff of two whole traces would not fit in memory.
    ASSERT_TRUE(fromBot.traceText == fromRecord.traceText)
        << FirstDifference(fromBot.traceText, fromRecord.traceText);
    std::ifstream in(options.tracePath);
    const std::string inProcess((std::istreambuf_iterator<char>(in)), {});
    const std::string a = Comparable(inProcess, played.acts);
    const std::string b = Comparable(fromBot.traceText, played.acts);
    ASSERT_TRUE(a == b) << FirstDifference(a, b);
    // "Clear!" for 120 frames although the space key went down and up in
    // them, the retry texts until the release, the title in the same frame
    // (no Act between them), then the title waiting for a new push.
    const std::string shown =
        Shown([&](int64_t n) { return fromBot.trace.Frame(n); }, 0, played.acts);
    const std::size_t clear = shown.find(", Clear!");
    EXPECT_EQ(shown.substr(std::min(clear, shown.size())),
              ", Clear! player x120, Retry? Push Space player x1, Retry? Push Space player title "
              "x1, title x30");
}

INSTANTIATE_TEST_SUITE_P(Seeds, BotGame, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace morva::game_test
