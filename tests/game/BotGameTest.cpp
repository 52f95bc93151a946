// Whole games played by the bot against the real library in this process,
// then replayed by the program itself: each reaches "Clear!", offers a
// retry, returns to the title, and gives the same call trace every time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GameRun.h"
#include "RealGame.h"

namespace morva::game_test {
namespace {

constexpr int64_t kMaxActs = 20000;         // a game takes about 2500 frames
constexpr int64_t kClearProbePush = 10;     // frames into "Clear!"
constexpr int64_t kClearProbeRelease = 20;  // frames into "Clear!"
constexpr int64_t kTitleWatchFrames = 30;
constexpr int64_t kClearBannerFrames = 120;

// The bot, plus a push and release of the space key during "Clear!" that
// must change nothing, and a look at the title after the game.
class BotController : public Controller {
public:
    HeldButtons OnGameFrame(const GameFrameView& view) override {
        ++framesSeen;
        views.push_back(view);
        HeldButtons held = bot.Decide(view);
        if (view.cleared && !view.retryOffered) {
            ++clearFrames;
            held[kJump] = clearFrames >= kClearProbePush && clearFrames < kClearProbeRelease;
        }
        return held;
    }
    HeldButtons OnTitleFrame() override {
        ++framesSeen;
        if (!views.empty()) {
            ++titleFramesAfterGame;
            return {};  // the title must wait for a new push
        }
        return bot.DecideOnTitle();
    }
    bool Done() const override {
        return titleFramesAfterGame >= kTitleWatchFrames || framesSeen >= kMaxActs;
    }

    Bot bot;
    std::vector<GameFrameView> views;
    int64_t clearFrames = 0;
    int64_t titleFramesAfterGame = 0;
    int64_t framesSeen = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The trace without its `pad` lines, which only the library's own Pad
// writes.
std::string WithoutPads(const std::string& trace) {
    std::istringstream in(trace);
    std::string line;
    std::string out;
    while (std::getline(in, line)) {
        if (!line.starts_with("pad ")) {
            out += line + "\n";
        }
    }
    return out;
}

// The trace up to and including the line that ends the given frame: what
// follows is the shutdown, which differs with the way the run was stopped.
std::string UpToFrame(const std::string& trace, int64_t frame) {
    const std::string line = "\nframe " + std::to_string(frame) + "\n";
    const std::size_t at = trace.find(line);
    return at == std::string::npos ? trace : trace.substr(0, at + line.size());
}

// Index of the first differing line, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::istringstream inA(a);
    std::istringstream inB(b);
    std::string lineA;
    std::string lineB;
    for (int64_t n = 1;; ++n) {
        const bool moreA = static_cast<bool>(std::getline(inA, lineA));
        const bool moreB = static_cast<bool>(std::getline(inB, lineB));
        if (!moreA && !moreB) {
            return "identical";
        }
        if (!moreA || !moreB || lineA != lineB) {
            return "line " + std::to_string(n) + ": '" + (moreA ? lineA : "<end>") + "' vs '" +
                   (moreB ? lineB : "<end>") + "'";
        }
    }
}

bool ShowsText(const e2e::TraceFrame& frame, double y, double glyphW) {
    for (const e2e::TraceCall& draw : frame.DrawsOf("font_128_64.zqtex")) {
        if (draw.numbers.at(5) == y && draw.numbers.at(6) == glyphW) {
            return true;
        }
    }
    return false;
}
bool ShowsClear(const e2e::TraceFrame& frame) {
    return ShowsText(frame, 300.0, 100.0);
}
bool ShowsRetry(const e2e::TraceFrame& frame) {
    return ShowsText(frame, 300.0, 75.0) && ShowsText(frame, 500.0, 75.0);
}

class BotGame : public ::testing::TestWithParam<int64_t> {};

TEST_P(BotGame, PlaysToClearAndReplaysToTheSameTrace) {
    for (const std::string& file : e2e::MissingFiles()) {
        FAIL() << "not built: " << file;
    }
    const int64_t seed = GetParam();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("morva-bot-" + std::to_string(seed));
    std::filesystem::create_directories(dir);
    const std::string tracePath = (dir / "inprocess.trace").string();

    BotController controller;
    RealRunOptions options;
    options.seed = seed;
    options.tracePath = tracePath;
    const RealRunResult played = RunRealGame(controller, options);
    ASSERT_EQ(played.exitCode, 0);
    ASSERT_LT(controller.framesSeen, kMaxActs) << "no clear within " << kMaxActs << " frames";
    ASSERT_FALSE(controller.views.empty());

    // The end comes only with every attempt made and no rock left.
    int64_t firstCleared = -1;
    for (const GameFrameView& view : controller.views) {
        bool anyRock = false;
        for (const RockView& rock : view.rocks) {
            anyRock = anyRock || rock.active;
        }
        ASSERT_EQ(view.cleared, view.toGenerate == 0 && !anyRock) << "game frame " << view.frame;
        if (view.cleared && firstCleared < 0) {
            firstCleared = view.frame;
        }
    }
    ASSERT_GT(firstCleared, 0);

    // Every rock struck in a frame is a combo step of its own, scored with
    // the count that includes it; a touch ends the combo with time left.
    int64_t multiHitFrames = 0;
    int64_t touches = 0;
    for (std::size_t i = 1; i < controller.views.size(); ++i) {
        const GameFrameView& before = controller.views[i - 1];
        const GameFrameView& now = controller.views[i];
        if (now.combo > before.combo) {
            int64_t steps = 0;
            for (int64_t combo = before.combo + 1; combo <= now.combo; ++combo) {
                steps += combo;
            }
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
    std::printf("seed %lld: %lld frames with several rocks struck, %lld touches ending a combo\n",
                static_cast<long long>(seed), static_cast<long long>(multiHitFrames),
                static_cast<long long>(touches));
    const GameFrameView& last = controller.views.back();
    EXPECT_TRUE(last.retryOffered);
    EXPECT_GT(last.score, 0);
    std::printf("seed %lld: clear in game frame %lld, score %lld, %lld frames in all\n",
                static_cast<long long>(seed), static_cast<long long>(firstCleared),
                static_cast<long long>(last.score), static_cast<long long>(played.acts));
    if (const char* demo = std::getenv("MORVA_WRITE_DEMO")) {
        std::ofstream(demo) << played.replay;
    }

    // The program itself, from the bot's replay, then from its own recording.
    e2e::RunOptions replayRun;
    replayRun.seed = seed;
    replayRun.frames = played.acts + 1;
    replayRun.replay = played.replay;
    replayRun.record = true;
    const e2e::RunResult fromBot = e2e::RunProgram(replayRun);
    ASSERT_TRUE(fromBot.Finished()) << fromBot.Describe();
    e2e::RunOptions again = replayRun;
    again.replay = fromBot.recordText;
    again.record = false;
    const e2e::RunResult fromRecord = e2e::RunProgram(again);
    ASSERT_TRUE(fromRecord.Finished()) << fromRecord.Describe();
    // Compared as one flag: a diff of two whole traces would not fit in memory.
    ASSERT_TRUE(fromBot.traceText == fromRecord.traceText)
        << FirstDifference(fromBot.traceText, fromRecord.traceText);
    const std::string inProcess = UpToFrame(WithoutPads(ReadFile(tracePath)), played.acts);
    const std::string program = UpToFrame(WithoutPads(fromBot.traceText), played.acts);
    ASSERT_TRUE(inProcess == program) << FirstDifference(inProcess, program);

    // "Clear!" for 120 frames although the space key went down and up in
    // them, then the retry texts until the release, then the title.
    const e2e::Trace& trace = fromBot.trace;
    int64_t clearStart = -1;
    for (const e2e::TraceFrame& frame : trace.frames) {
        if (ShowsClear(frame)) {
            clearStart = frame.number;
            break;
        }
    }
    ASSERT_GT(clearStart, 0);
    for (int64_t n = clearStart; n < clearStart + kClearBannerFrames; ++n) {
        ASSERT_NE(trace.Frame(n), nullptr);
        ASSERT_TRUE(ShowsClear(*trace.Frame(n))) << "frame " << n;
        ASSERT_FALSE(ShowsRetry(*trace.Frame(n))) << "frame " << n;
        ASSERT_TRUE(trace.Frame(n)->DrawsOf("title.zqtex").empty()) << "frame " << n;
    }
    int64_t leave = clearStart + kClearBannerFrames;
    for (; trace.Frame(leave) != nullptr && trace.Frame(leave)->DrawsOf("title.zqtex").empty();
         ++leave) {
        ASSERT_TRUE(ShowsRetry(*trace.Frame(leave))) << "frame " << leave;
        ASSERT_FALSE(ShowsClear(*trace.Frame(leave))) << "frame " << leave;
    }
    const e2e::TraceFrame* leaving = trace.Frame(leave);
    ASSERT_NE(leaving, nullptr) << "never back on the title";
    // The game's last picture and the title's first share one frame: no Act
    // between them.
    EXPECT_TRUE(ShowsRetry(*leaving));
    for (int64_t n = leave + 1; trace.Frame(n) != nullptr; ++n) {
        const e2e::TraceFrame& frame = *trace.Frame(n);
        ASSERT_FALSE(frame.DrawsOf("title.zqtex").empty()) << "frame " << n;
        ASSERT_TRUE(frame.DrawsOf("pelomar256.zqtex").empty()) << "frame " << n;
        for (const e2e::TraceCall& load : frame.CallsNamed("LoadTex")) {
            ASSERT_NE(load.file, "ground.zqtex") << "a new game started in frame " << n;
        }
    }
    EXPECT_GE(static_cast<int64_t>(trace.frames.size()) - 1 - leave, kTitleWatchFrames - 1);
}

INSTANTIATE_TEST_SUITE_P(Seeds, BotGame, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace morva::game_test
