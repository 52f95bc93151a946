// The scene's controls frame by frame, on the real library in this process.
// Each frame's player is one row, compared with a pinned sequence up to the
// first wrong frame, since later frames follow from it.
#include <gtest/gtest.h>

#include <charconv>
#include <sstream>
#include <string>
#include <vector>

#include "Drive.h"

namespace morva::game_test {
namespace {

std::string Number(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof(text), value).ptr);
}

// "x700 y700 line3 stand right landed"
std::string Row(const GameFrameView& view) {
    static const char* const kMotions[] = {"stand", "walk", "dash", "attack"};
    return "x" + Number(view.playerX) + " y" + Number(view.playerY) + " line" +
           std::to_string(view.playerLine) + " " +
           (view.playerMotion >= 0 && view.playerMotion < 4
                ? kMotions[view.playerMotion]
                : "motion" + std::to_string(view.playerMotion)) +
           (view.playerFacing == 0 ? " right" : " left") + (view.playerLanded ? " landed" : " air");
}

struct Step {
    int64_t fromFrame;  // the first game frame that sees these buttons held
    std::vector<int64_t> held;
};

// From the title (which the bot leaves) through 180 game frames.
struct Timeline : Bot {
    HeldButtons OnGameFrame(const GameFrameView& view) override {
        views.push_back(view);
        HeldButtons held{};
        for (const Step& step : steps) {
            if (step.fromFrame <= view.frame + 1) {
                held = {};
                for (int64_t button : step.held) {
                    held[button] = true;
                }
            }
        }
        return held;
    }
    bool Done() const override { return views.size() >= 180; }

    std::vector<Step> steps;
    std::vector<GameFrameView> views;
};

// rows: one line per checked frame, "<frame>[-<last frame>] <row>".
void ExpectRows(std::vector<Step> steps, const std::string& rows) {
    Timeline timeline;
    timeline.steps = std::move(steps);
    ASSERT_EQ(RunRealGame(timeline, {}).exitCode, 0);
    std::istringstream in(rows);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            continue;
        }
        const std::size_t dash = line.find('-'), space = line.find(' ');
        const int64_t first = std::stoll(line);
        const int64_t last = dash < space ? std::stoll(line.substr(dash + 1)) : first;
        for (int64_t frame = first; frame <= last; ++frame) {
            const GameFrameView& view = timeline.views.at(static_cast<std::size_t>(frame - 1));
            ASSERT_EQ(view.frame, frame);
            ASSERT_EQ(Row(view), line.substr(space + 1)) << "game frame " << frame;
        }
    }
}

TEST(GameControls, PlayerFallsOntoLineThreeBeforeTheControlsAreTried) {
    ExpectRows({}, R"(
26 x700 y650 line3 stand right air
27 x700 y700 line3 stand right landed)");
}

TEST(GameControls, RightAndLeftInOneFrameWalkLeft) {
    ExpectRows({{30, {kRight, kLeft}}}, R"(
29 x700 y700 line3 stand right landed
30 x695 y700 line3 walk left landed
31 x690 y700 line3 walk left landed
33 x680 y700 line3 walk left landed)");
}

TEST(GameControls, ReleasingRightWhileLeftIsHeldStandsUntilLeftIsPushedAgain) {
    ExpectRows({{30, {kRight}}, {35, {kRight, kLeft}}, {40, {kLeft}}, {50, {}}, {52, {kLeft}}}, R"(
30 x705 y700 line3 walk right landed
34 x725 y700 line3 walk right landed
35 x720 y700 line3 walk left landed
39 x700 y700 line3 walk left landed
40-51 x700 y700 line3 stand left landed
52 x695 y700 line3 walk left landed
54 x685 y700 line3 walk left landed)");
}

TEST(GameControls, DashActsOnlyWhileWalkingAndIsReadAsHeld) {
    // The push of Right and the held Dash meet in frame 35.
    ExpectRows({{30, {kDash}}, {35, {kDash, kRight}}, {38, {kRight}}}, R"(
30-34 x700 y700 line3 stand right landed
35 x710 y700 line3 dash right landed
37 x730 y700 line3 dash right landed
38 x735 y700 line3 walk right landed
40 x745 y700 line3 walk right landed)");
}

TEST(GameControls, NothingButTheChainActsWhileAttacking) {
    // An unchained step 1 runs out after 39 frames of its own.
    ExpectRows({{30, {kAttack}},
                {31, {}},
                {33, {kRight}},
                {36, {kRight, kJump}},
                {40, {kLeft}},
                {44, {kLeft, kDown}},
                {48, {}}},
               R"(
30-68 x700 y700 line3 attack right landed
69-70 x700 y700 line3 stand right landed)");
}

TEST(GameControls, JumpLeavesOnlyFromTheGroundBackwardsAndLands) {
    // 12 pixels back a frame; the push in frame 33 comes in the air and does nothing.
    const int heights[] = {688, 678, 670, 664, 660, 658, 658, 660, 664, 670, 678, 688, 700};
    std::string rows;
    for (int i = 0; i < 13; ++i) {
        rows += std::to_string(30 + i) + " x" + std::to_string(688 - 12 * i) + " y" +
                std::to_string(heights[i]) + " line3 stand right air\n";
    }
    ExpectRows({{30, {kJump}}, {31, {}}, {33, {kJump}}, {34, {}}},
               rows + "43-45 x532 y700 line3 stand right landed");
}

TEST(GameControls, LineChangesStopAtTheTopAndBottomLines) {
    std::vector<Step> steps;
    for (const auto& [frame, button] : {std::pair{30, kDown},
                                        {55, kDown},
                                        {60, kUp},
                                        {85, kUp},
                                        {110, kUp},
                                        {135, kUp},
                                        {160, kUp}}) {
        steps.push_back({frame, {button}});
        steps.push_back({frame + 1, {}});
    }
    ExpectRows(steps, R"(
30 x700 y705 line4 stand right landed
49-56 x700 y800 line4 stand right landed
60 x700 y795 line3 stand right landed
80 x700 y700 line3 stand right landed
85 x700 y695 line2 stand right landed
110 x700 y595 line1 stand right landed
135 x700 y495 line0 stand right landed
155-170 x700 y400 line0 stand right landed)");
}

}  // namespace
}  // namespace morva::game_test
