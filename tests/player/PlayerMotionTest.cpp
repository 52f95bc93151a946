#include <gtest/gtest.h>

#include <string>

#include "PlayerDriver.h"

namespace morva::testing {
namespace {

// Body pictures in pelomar256, 256 x 256 cells.
constexpr Rect kStandRight = {0, 0, 256, 256};
constexpr Rect kAirRight = {256, 512, 256, 256};

using PlayerMotionTest = PlayerDriver;

TEST_F(PlayerMotionTest, FallsOntoLineThreeInItsTwentySeventhUpdate) {
    for (int64_t update = 1; update < kFallFrames; ++update) {
        const FrameDraws frame = Frame();
        ASSERT_FALSE(player.IsLanded()) << "update " << update;
        ASSERT_EQ(player.GetY(), static_cast<double>(update * (update - 1))) << "update " << update;
        ASSERT_EQ(frame.body.size(), 1u) << "update " << update;
        EXPECT_EQ(Source(frame.body[0]), kAirRight) << "update " << update;
    }
    const FrameDraws landing = Frame();
    EXPECT_TRUE(player.IsLanded());
    EXPECT_EQ(player.GetX(), 700.0);
    EXPECT_EQ(player.GetY(), 700.0);
    EXPECT_EQ(player.GetLineY(), 700);
    ASSERT_EQ(landing.body.size(), 1u);
    EXPECT_EQ(Source(landing.body[0]), kStandRight);
    // 200 x 200 on screen, centred on the body.
    EXPECT_EQ(Destination(landing.body[0]), (Rect{600, 600, 200, 200}));
    EXPECT_EQ(landing.linesDrawn, std::vector<int64_t>{700});

    Frames(10);
    EXPECT_EQ(player.GetY(), 700.0);
}

TEST_F(PlayerMotionTest, LineChangeSlidesTwentyOneFramesAndSnapsOntoTheLine) {
    FallIn();
    PushUp();
    for (int64_t frame = 1; frame <= 20; ++frame) {
        const FrameDraws drawn = Frame();
        ASSERT_EQ(player.GetY(), 700.0 - 5.0 * static_cast<double>(frame)) << "frame " << frame;
        // Drawn with the new line from the first frame on.
        ASSERT_EQ(drawn.linesDrawn, std::vector<int64_t>{600}) << "frame " << frame;
    }
    Frame();
    EXPECT_EQ(player.GetY(), 600.0);
    Frames(5);
    EXPECT_EQ(player.GetY(), 600.0);

    PushDown();
    for (int64_t frame = 1; frame <= 20; ++frame) {
        Frame();
        ASSERT_EQ(player.GetY(), 600.0 + 5.0 * static_cast<double>(frame)) << "frame " << frame;
    }
    const FrameDraws arrival = Frame();
    EXPECT_EQ(player.GetY(), 700.0);
    EXPECT_EQ(arrival.linesDrawn, std::vector<int64_t>{700});
    Frames(5);
    EXPECT_EQ(player.GetY(), 700.0);
    EXPECT_EQ(player.GetX(), 700.0);
}

TEST_F(PlayerMotionTest, UpOnTheTopLineIsSnappedBackInTheSameUpdate) {
    FallIn();
    for (int64_t change = 0; change < kStartLine; ++change) {
        PushUp();
        Frames(21);
    }
    ASSERT_EQ(player.GetLine(), 0);
    ASSERT_EQ(player.GetY(), 400.0);

    PushUp();
    EXPECT_EQ(player.GetLine(), 0);
    Frame();
    EXPECT_EQ(player.GetY(), 400.0);
    Frames(3);
    EXPECT_EQ(player.GetY(), 400.0);
}

// Visibility after each update following a hit with the timer at 60:
// hidden while it holds 57..55, 51..49, ..., 3..1; the 61st update ends it.
const std::string kBlinkPattern = std::string("VV") + "HHHVVV" + "HHHVVV" + "HHHVVV" + "HHHVVV" +
                                  "HHHVVV" + "HHHVVV" + "HHHVVV" + "HHHVVV" + "HHHVVV" + "HHH" +
                                  "V" + "V";

TEST_F(PlayerMotionTest, HitWhileWalkingRightThrowsBackBlinksAndStands) {
    FallIn();
    PushWalk(kFacingRight);
    Frames(10);
    const double hitX = player.GetX();
    ASSERT_EQ(hitX, 750.0);
    player.Hurt();  // the scene's touch test runs after the frame's updates
    EXPECT_FALSE(player.IsVulnerable());

    // Rise to 30 above the line, back at it in update 11 (still airborne).
    constexpr std::array<double, 12> kRise = {10, 18, 24, 28, 30, 30, 28, 24, 18, 10, 0, 0};
    std::string blinks;
    for (int64_t update = 1; update <= 12; ++update) {
        const FrameDraws frame = Frame();
        ASSERT_EQ(player.GetX(), hitX - 10.0 * static_cast<double>(update)) << "update " << update;
        ASSERT_EQ(player.GetY(), 700.0 - kRise.at(static_cast<std::size_t>(update - 1)))
            << "update " << update;
        ASSERT_EQ(player.IsLanded(), update == 12) << "update " << update;
        blinks += frame.body.empty() ? 'H' : 'V';
        if (!frame.body.empty()) {
            EXPECT_EQ(Source(frame.body[0]), update < 12 ? kAirRight : kStandRight)
                << "update " << update;
        }
    }
    EXPECT_EQ(player.GetMotion(), kMotionStand);
    EXPECT_EQ(player.GetFacing(), kFacingRight);
    EXPECT_EQ(player.GetX(), hitX - 120.0);

    for (int64_t update = 13; update <= 61; ++update) {
        ASSERT_FALSE(player.IsVulnerable()) << "update " << update - 1;
        const FrameDraws frame = Frame();
        blinks += frame.body.empty() ? 'H' : 'V';
    }
    EXPECT_EQ(blinks, kBlinkPattern);
    EXPECT_TRUE(player.IsVulnerable());
    EXPECT_EQ(player.GetX(), hitX - 120.0);
    EXPECT_EQ(player.GetY(), 700.0);
}

TEST_F(PlayerMotionTest, HitDuringALineChangeUpLandsOnTheNewLineAtOnce) {
    FallIn();
    PushUp();
    Frames(5);
    ASSERT_EQ(player.GetY(), 675.0);
    player.Hurt();
    // Already below line 2 after the first airborne move: snapped onto it.
    Frame();
    EXPECT_TRUE(player.IsLanded());
    EXPECT_EQ(player.GetY(), 600.0);
    EXPECT_EQ(player.GetX(), 690.0);
    EXPECT_EQ(player.GetMotion(), kMotionStand);
    Frames(5);
    EXPECT_EQ(player.GetY(), 600.0);
    EXPECT_EQ(player.GetX(), 690.0);
}

TEST_F(PlayerMotionTest, NothingIsDrawnForAnotherLine) {
    FallIn();
    PushWalk(kFacingRight);
    Frames(5);
    HoldDash();
    Frames(15);
    library.draws.clear();
    for (int64_t lineY : {400, 500, 600, 800, 701}) {
        player.Draw(0, 0, lineY);
    }
    EXPECT_TRUE(library.draws.empty())
        << library.draws.size() << " draws, first " << library.draws.front();
    player.Draw(0, 0, 700);
    EXPECT_EQ(library.draws.size(), 3u) << "two puffs and the body";
}

}  // namespace
}  // namespace morva::testing
