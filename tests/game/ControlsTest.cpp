// The scene's controls, frame by frame, on the fake library: what the
// player does with each button, read from the game's snapshots.
#include <gtest/gtest.h>

#include <vector>

#include "FakeGame.h"

namespace morva::game_test {
namespace {

constexpr int64_t kLandedFrame = 27;  // a new player drops onto line 3 by then
constexpr int64_t kStanding = 0;
constexpr int64_t kWalking = 1;
constexpr int64_t kDashing = 2;
constexpr int64_t kAttacking = 3;
constexpr int64_t kRightFacing = 0;
constexpr int64_t kLeftFacing = 1;

struct Expect {
    int64_t frame;
    double x;
    int64_t motion;
    int64_t facing;
};

// Plays the timeline up to the last expected frame.
std::vector<PlayedFrame> Play(std::vector<Step> steps, int64_t lastFrame) {
    FakeGame game;
    game.spawnLines = {3, 3, 3};
    game.Play(Timeline(std::move(steps)), lastFrame);
    return std::move(game.frames);
}

const GameFrameView& At(const std::vector<PlayedFrame>& frames, int64_t frame) {
    return frames.at(static_cast<std::size_t>(frame - 1)).view;
}

void ExpectSequence(const std::vector<PlayedFrame>& frames, const std::vector<Expect>& expected) {
    for (const Expect& e : expected) {
        const GameFrameView& view = At(frames, e.frame);
        ASSERT_EQ(view.frame, e.frame);
        ASSERT_EQ(view.playerX, e.x) << "frame " << e.frame;
        ASSERT_EQ(view.playerMotion, e.motion) << "frame " << e.frame << " x " << view.playerX;
        ASSERT_EQ(view.playerFacing, e.facing) << "frame " << e.frame;
    }
}

TEST(GameControls, PlayerFallsOntoLineThreeBeforeTheControlsAreTried) {
    const auto frames = Play({}, kLandedFrame);
    EXPECT_FALSE(At(frames, kLandedFrame - 1).playerLanded);
    const GameFrameView& landed = At(frames, kLandedFrame);
    EXPECT_TRUE(landed.playerLanded);
    EXPECT_EQ(landed.playerX, 700.0);
    EXPECT_EQ(landed.playerY, 700.0);
    EXPECT_EQ(landed.playerLine, 3);
}

TEST(GameControls, RightAndLeftInOneFrameWalkLeft) {
    const auto frames = Play({{30, {kRight, kLeft}}}, 33);
    ExpectSequence(frames, {{29, 700, kStanding, kRightFacing},
                            {30, 695, kWalking, kLeftFacing},
                            {31, 690, kWalking, kLeftFacing},
                            {33, 680, kWalking, kLeftFacing}});
}

TEST(GameControls, ReleasingRightWhileLeftIsHeldStandsUntilLeftIsPushedAgain) {
    const auto frames =
        Play({{30, {kRight}}, {35, {kRight, kLeft}}, {40, {kLeft}}, {50, {}}, {52, {kLeft}}}, 54);
    ExpectSequence(frames, {{30, 705, kWalking, kRightFacing},
                            {34, 725, kWalking, kRightFacing},
                            {35, 720, kWalking, kLeftFacing},
                            {39, 700, kWalking, kLeftFacing},
                            {40, 700, kStanding, kLeftFacing},
                            {49, 700, kStanding, kLeftFacing},
                            {51, 700, kStanding, kLeftFacing},
                            {52, 695, kWalking, kLeftFacing},
                            {54, 685, kWalking, kLeftFacing}});
}

TEST(GameControls, DashActsOnlyWhileWalkingAndIsReadAsHeld) {
    const auto frames = Play({{30, {kDash}}, {35, {kDash, kRight}}, {38, {kRight}}}, 40);
    ExpectSequence(frames, {{30, 700, kStanding, kRightFacing},
                            {34, 700, kStanding, kRightFacing},
                            // the push of Right and the held Dash meet in one frame
                            {35, 710, kDashing, kRightFacing},
                            {37, 730, kDashing, kRightFacing},
                            {38, 735, kWalking, kRightFacing},
                            {40, 745, kWalking, kRightFacing}});
}

TEST(GameControls, NothingButTheChainActsWhileAttacking) {
    const auto frames = Play({{30, {kAttack}},
                              {31, {}},
                              {33, {kRight}},
                              {36, {kRight, kJump}},
                              {40, {kLeft}},
                              {44, {kLeft, kDown}},
                              {48, {}}},
                             70);
    for (int64_t frame = 30; frame <= 68; ++frame) {
        const GameFrameView& view = At(frames, frame);
        ASSERT_EQ(view.playerMotion, kAttacking) << "frame " << frame;
        ASSERT_EQ(view.playerX, 700.0) << "frame " << frame;
        ASSERT_EQ(view.playerFacing, kRightFacing) << "frame " << frame;
        ASSERT_TRUE(view.playerLanded) << "frame " << frame;
        ASSERT_EQ(view.playerLine, 3) << "frame " << frame;
    }
    // An unchained step 1 runs out after 39 frames of its own.
    EXPECT_EQ(At(frames, 69).playerMotion, kStanding);
    EXPECT_EQ(At(frames, 70).playerX, 700.0);
}

TEST(GameControls, JumpLeavesOnlyFromTheGroundBackwardsAndLands) {
    const auto frames = Play({{30, {kJump}}, {31, {}}, {33, {kJump}}, {34, {}}}, 45);
    const std::vector<double> heights = {688, 678, 670, 664, 660, 658, 658,
                                         660, 664, 670, 678, 688, 700};
    for (std::size_t i = 0; i < heights.size(); ++i) {
        const int64_t frame = 30 + static_cast<int64_t>(i);
        const GameFrameView& view = At(frames, frame);
        ASSERT_FALSE(view.playerLanded) << "frame " << frame;
        ASSERT_EQ(view.playerY, heights[i]) << "frame " << frame;
        ASSERT_EQ(view.playerX, 700.0 - 12.0 * static_cast<double>(i + 1)) << "frame " << frame;
    }
    const GameFrameView& landing = At(frames, 43);
    EXPECT_TRUE(landing.playerLanded);
    EXPECT_EQ(landing.playerY, 700.0);
    EXPECT_EQ(landing.playerX, 532.0);
    EXPECT_EQ(At(frames, 45).playerX, 532.0);
}

TEST(GameControls, LineChangesStopAtTheTopAndBottomLines) {
    const auto frames = Play({{30, {kDown}},
                              {31, {}},
                              {55, {kDown}},
                              {56, {}},
                              {60, {kUp}},
                              {61, {}},
                              {85, {kUp}},
                              {86, {}},
                              {110, {kUp}},
                              {111, {}},
                              {135, {kUp}},
                              {136, {}},
                              {160, {kUp}},
                              {161, {}}},
                             170);
    struct LineAt {
        int64_t frame;
        int64_t line;
        double y;
    };
    const std::vector<LineAt> expected = {
        {30, 4, 705},  {49, 4, 800},  {50, 4, 800},  {55, 4, 800},  {56, 4, 800},
        {60, 3, 795},  {80, 3, 700},  {85, 2, 695},  {110, 1, 595}, {135, 0, 495},
        {155, 0, 400}, {160, 0, 400}, {161, 0, 400}, {170, 0, 400}};
    for (const LineAt& e : expected) {
        const GameFrameView& view = At(frames, e.frame);
        ASSERT_EQ(view.playerLine, e.line) << "frame " << e.frame;
        ASSERT_EQ(view.playerY, e.y) << "frame " << e.frame;
        ASSERT_TRUE(view.playerLanded) << "frame " << e.frame;
    }
}

}  // namespace
}  // namespace morva::game_test
