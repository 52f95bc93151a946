#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>
#include <vector>

#include "PlayerDriver.h"

namespace morva::testing {
namespace {

constexpr Rect kPuffPicture = {0, 0, 128, 128};
constexpr double kSpin = std::numbers::pi / 12.0;  // radians per frame
constexpr double kTolerance = 1e-9;
constexpr int64_t kPuffFrames = 61;

class DashSmokeTest : public PlayerDriver {
protected:
    // Walks right for some frames, so that the dash starts off the puff beat.
    void StartDash() {
        followCamera = true;
        FallIn();
        PushWalk(kFacingRight);
        Frames(5);
        HoldDash();
    }
};

TEST_F(DashSmokeTest, FirstPuffFollowsOneFrameAfterTheDashThenEveryTenFrames) {
    StartDash();
    const FrameDraws start = Frame();
    EXPECT_TRUE(start.smoke.empty());
    std::vector<int64_t> emitted;  // frames after the dash start
    std::vector<double> emittedX;
    int64_t previousCount = 0;
    double previousX = start.viewX + kCameraOffset;
    for (int64_t frame = 1; frame <= 50; ++frame) {
        const FrameDraws drawn = Frame();
        const auto count = static_cast<int64_t>(drawn.smoke.size());
        if (count > previousCount) {
            emitted.push_back(frame);
            // The newest puff: centred 50 below where the body stood before the move.
            const auto& puff = drawn.smoke.back();
            EXPECT_EQ(Destination(puff), (Rect{previousX - 30 - drawn.viewX, 750 - 30, 60, 60}))
                << "frame " << frame;
            EXPECT_EQ(Source(puff), kPuffPicture);
        }
        previousCount = count;
        previousX = player.GetX();
    }
    EXPECT_EQ(emitted, (std::vector<int64_t>{1, 11, 21, 31, 41}));
}

TEST_F(DashSmokeTest, EachPuffIsDrawnSixtyOneTimesFadingAndSpinning) {
    StartDash();
    Frame();
    double puffX = 0.0;
    for (int64_t age = 1; age <= kPuffFrames; ++age) {
        const FrameDraws drawn = Frame();
        ASSERT_FALSE(drawn.smoke.empty()) << "age " << age;
        // Slot 0 is drawn first; its puff stays put in the play field.
        const auto& puff = drawn.smoke.front();
        const double x = puff.dstX() + drawn.viewX;
        if (age == 1) {
            puffX = x;
        }
        ASSERT_EQ(x, puffX) << "age " << age;
        ASSERT_EQ(player.GetSmoke().GetAge(0), age);
        EXPECT_NEAR(puff.alpha(), 1.0 - static_cast<double>(age) / 60.0, kTolerance)
            << "age " << age;
        EXPECT_NEAR(Angle(puff), kSpin * static_cast<double>(age), kTolerance) << "age " << age;
    }
    const FrameDraws after = Frame();
    EXPECT_FALSE(player.GetSmoke().IsActive(0));
    ASSERT_FALSE(after.smoke.empty());
    EXPECT_NE(after.smoke.front().dstX() + after.viewX, puffX);
}

TEST_F(DashSmokeTest, LongDashKeepsAtMostSevenPuffs) {
    StartDash();
    std::vector<int64_t> counts;
    for (int64_t frame = 0; frame <= 300; ++frame) {
        counts.push_back(static_cast<int64_t>(Frame().smoke.size()));
    }
    EXPECT_EQ(*std::max_element(counts.begin(), counts.end()), 7);
    // Puffs of frames 1, 11, ..., 61 are all alive at frame 61; the first goes at 62.
    EXPECT_EQ(counts.at(61), 7);
    EXPECT_EQ(counts.at(62), 6);
    EXPECT_EQ(counts.at(300), 6);
}

TEST_F(DashSmokeTest, DashStartedOnTheWalkBeatPuffsAtOnceAndAgainNextFrame) {
    followCamera = true;
    FallIn();
    PushWalk(kFacingRight);
    Frame();
    Frames(10);  // the walk's time now reads 10
    HoldDash();
    EXPECT_EQ(Frame().smoke.size(), 1u);
    EXPECT_EQ(Frame().smoke.size(), 2u);
    EXPECT_EQ(Frame().smoke.size(), 2u);
}

}  // namespace
}  // namespace morva::testing
