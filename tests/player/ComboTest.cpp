#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <vector>

#include "PlayerDriver.h"

namespace morva::testing {
namespace {

// First and last sword pictures of each step, by facing (sword.zqtex).
struct StepPictures {
    Rect first;
    Rect last;
};
constexpr StepPictures kStep1Right = {{0, 256, 512, -256}, {0, 1536, 512, -256}};
constexpr StepPictures kStep2Right = {{0, 0, 512, 256}, {0, 1280, 512, 256}};
constexpr StepPictures kStep3Right = {{512, 0, 512, 256}, {512, 1280, 512, 256}};
constexpr StepPictures kStep1Left = {{512, 256, -512, -256}, {512, 1536, -512, -256}};
constexpr StepPictures kStep2Left = {{512, 0, -512, 256}, {512, 1280, -512, 256}};
constexpr StepPictures kStep3Left = {{1024, 0, -512, 256}, {1024, 1280, -512, 256}};

constexpr Rect kAttackBodyRight = {256, 512, 256, 256};
constexpr Rect kAttackBodyLeft = {256, 768, 256, 256};

// Frames of the earliest full chain, counted from the frame Attack starts it.
constexpr int64_t kChainTo2 = 21;
constexpr int64_t kChainTo3 = 40;
constexpr int64_t kComboFrames = 84;
constexpr int64_t kSingleStepFrames = 39;

// The hit circle relative to the body and what a hit is worth.
struct Hit {
    int64_t frame;
    double aheadX, belowY, radius;
    int64_t damage, score;
    bool operator==(const Hit&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Hit& h) {
    return out << "{frame " << h.frame << ": ahead " << h.aheadX << ", below " << h.belowY << ", r "
               << h.radius << ", damage " << h.damage << ", score " << h.score << "}";
}

class ComboTest : public PlayerDriver, public ::testing::WithParamInterface<int64_t> {
protected:
    void Reset() {
        player = Player{};
        SetUp();
    }

    // Lands, faces the way the test asks and stands still.
    void StandFacing(int64_t facing) {
        FallIn();
        PushWalk(facing);
        Frame();
        ReleaseWalk();
        Frame();
        ASSERT_EQ(player.GetMotion(), kMotionStand);
    }

    double Ahead() const { return player.GetFacing() == kFacingRight ? 1.0 : -1.0; }

    std::optional<Hit> HitNow(int64_t frame) const {
        if (!player.IsHitActive()) {
            return std::nullopt;
        }
        return Hit{frame,
                   (player.GetHitX() - player.GetX()) * Ahead(),
                   player.GetHitY() - player.GetY(),
                   player.GetHitRadius(),
                   player.GetHitDamage(),
                   player.GetHitScore()};
    }

    // Sword pictures of frames 1..count, pushing Attack at the given frames.
    std::vector<FrameDraws> RunAttack(int64_t count, const std::vector<int64_t>& pushes,
                                      std::vector<Hit>* hits = nullptr) {
        std::vector<FrameDraws> frames;
        for (int64_t frame = 1; frame <= count; ++frame) {
            if (std::find(pushes.begin(), pushes.end(), frame) != pushes.end()) {
                PushAttack();
            }
            frames.push_back(Frame());
            if (hits != nullptr) {
                if (const auto hit = HitNow(frame)) {
                    hits->push_back(*hit);
                }
            }
        }
        return frames;
    }
};

int64_t SwordFrames(const std::vector<FrameDraws>& frames) {
    int64_t count = 0;
    for (const auto& frame : frames) {
        count += static_cast<int64_t>(frame.sword.size());
    }
    return count;
}

INSTANTIATE_TEST_SUITE_P(BothFacings, ComboTest, ::testing::Values(kFacingRight, kFacingLeft),
                         [](const auto& info) {
                             return info.param == kFacingRight ? "Right" : "Left";
                         });

TEST_P(ComboTest, EarliestFullChainIsDrawnInEightyFourFrames) {
    const bool right = GetParam() == kFacingRight;
    StandFacing(GetParam());
    const double x = player.GetX();
    const double y = player.GetY();
    // Pushed from the chain into step 3 on in every frame: there is no fourth step.
    std::vector<int64_t> pushes = {1, kChainTo2};
    for (int64_t frame = kChainTo3; frame <= kComboFrames; ++frame) {
        pushes.push_back(frame);
    }
    std::vector<Hit> hits;
    const auto frames = RunAttack(kComboFrames + 6, pushes, &hits);

    for (int64_t frame = 1; frame <= kComboFrames + 6; ++frame) {
        const FrameDraws& drawn = frames.at(static_cast<std::size_t>(frame - 1));
        ASSERT_EQ(drawn.sword.size(), frame <= kComboFrames ? 1u : 0u) << "frame " << frame;
        ASSERT_EQ(drawn.body.size(), 1u) << "frame " << frame;
        const Rect body = Source(drawn.body[0]);
        if (frame <= kComboFrames) {
            ASSERT_EQ(body, right ? kAttackBodyRight : kAttackBodyLeft) << "frame " << frame;
        } else {
            ASSERT_EQ(body, (Rect{0, right ? 0.0 : 256.0, 256, 256})) << "frame " << frame;
        }
    }
    const auto sword = [&](int64_t frame) {
        return Source(frames.at(static_cast<std::size_t>(frame - 1)).sword.at(0));
    };
    const auto& step1 = right ? kStep1Right : kStep1Left;
    const auto& step2 = right ? kStep2Right : kStep2Left;
    const auto& step3 = right ? kStep3Right : kStep3Left;
    // Each step's picture starts over at its chain.
    EXPECT_EQ(sword(1), step1.first);
    EXPECT_EQ(sword(kChainTo2 - 1), step1.last);
    EXPECT_EQ(sword(kChainTo2), step2.first);
    EXPECT_EQ(sword(kChainTo3 - 1), step2.last);
    EXPECT_EQ(sword(kChainTo3), step3.first);
    EXPECT_EQ(sword(kComboFrames), step3.last);

    // 600 x 200 on screen, centred ahead of and below the body.
    const double ahead = right ? 1.0 : -1.0;
    const auto at = [&](int64_t frame) {
        return Destination(frames.at(static_cast<std::size_t>(frame - 1)).sword.at(0));
    };
    EXPECT_EQ(at(1), (Rect{x + ahead * 30 - 300, y - 100, 600, 200}));
    EXPECT_EQ(at(kChainTo2), (Rect{x + ahead * 30 - 300, y + 30 - 100, 600, 200}));
    EXPECT_EQ(at(kChainTo3), (Rect{x + ahead * 100 - 300, y + 30 - 100, 600, 200}));

    const std::vector<Hit> expected = {
        {20, 200, 40, 40, 18, 10}, {39, 200, 40, 40, 12, 15}, {61, 280, 40, 40, 25, 40},
        {62, 280, 40, 40, 25, 40}, {63, 280, 40, 40, 25, 40}, {64, 280, 40, 40, 25, 40},
        {65, 280, 40, 40, 25, 40}, {66, 280, 40, 40, 25, 40},
    };
    EXPECT_EQ(hits, expected);
    EXPECT_EQ(player.GetX(), x);
    EXPECT_EQ(player.GetMotion(), kMotionStand);
}

TEST_P(ComboTest, ChainIsTakenOnlyInsideTheWindowAsThePreviousFrameLeftIt) {
    // Up to the frame in which the step runs out; later pushes start a new attack.
    for (int64_t push = 2; push <= kSingleStepFrames + 1; ++push) {
        Reset();
        StandFacing(GetParam());
        const auto frames = RunAttack(80, {1, push});
        const Rect second = GetParam() == kFacingRight ? kStep2Right.first : kStep2Left.first;
        const bool accepted = push >= 21 && push <= 26;
        const auto& pushed = frames.at(static_cast<std::size_t>(push - 1));
        if (accepted) {
            ASSERT_EQ(pushed.sword.size(), 1u) << "push in frame " << push;
            EXPECT_EQ(Source(pushed.sword[0]), second) << "push in frame " << push;
            // The second step runs its 38 frames after the push.
            EXPECT_EQ(SwordFrames(frames), push - 1 + 38) << "push in frame " << push;
        } else {
            EXPECT_EQ(SwordFrames(frames), kSingleStepFrames) << "push in frame " << push;
        }
        ASSERT_EQ(player.GetMotion(), kMotionStand) << "push in frame " << push;
    }
}

TEST_P(ComboTest, UnchainedStepOpensItsWindowForSixFramesAndEndsStanding) {
    StandFacing(GetParam());
    std::vector<Hit> hits;
    const auto frames = RunAttack(45, {1}, &hits);
    const std::vector<Hit> expected = {
        {20, 200, 40, 40, 18, 10}, {21, 200, 40, 40, 18, 10}, {22, 200, 40, 40, 18, 10},
        {23, 200, 40, 40, 18, 10}, {24, 200, 40, 40, 18, 10}, {25, 200, 40, 40, 18, 10},
    };
    EXPECT_EQ(hits, expected);
    EXPECT_EQ(SwordFrames(frames), kSingleStepFrames);
    EXPECT_EQ(frames.at(kSingleStepFrames - 1).sword.size(), 1u);
    EXPECT_EQ(player.GetMotion(), kMotionStand);
}

TEST_P(ComboTest, HitEndsTheAttackAndClosesTheSwordWindow) {
    StandFacing(GetParam());
    RunAttack(kChainTo2, {1, kChainTo2});
    // Into the second step's window.
    for (int64_t frame = 1; frame <= 19; ++frame) {
        Frame();
    }
    ASSERT_TRUE(player.IsHitActive());
    ASSERT_EQ(player.GetHitDamage(), 12);

    player.Hurt();
    EXPECT_FALSE(player.IsHitActive());
    EXPECT_EQ(player.GetHitDamage(), 18);
    // Through the recoil and the blinking after it.
    for (int64_t frame = 1; frame <= 61; ++frame) {
        const FrameDraws drawn = Frame();
        ASSERT_FALSE(player.IsHitActive()) << "frame " << frame << " after the hit";
        ASSERT_TRUE(drawn.sword.empty()) << "frame " << frame << " after the hit";
    }
    ASSERT_TRUE(player.IsLanded());
    ASSERT_TRUE(player.IsVulnerable());
    ASSERT_EQ(player.GetMotion(), kMotionStand);

    // A fresh attack starts over at step 1, window and all.
    std::vector<Hit> hits;
    const auto again = RunAttack(30, {1}, &hits);
    const Rect first = GetParam() == kFacingRight ? kStep1Right.first : kStep1Left.first;
    ASSERT_EQ(again.at(0).sword.size(), 1u);
    EXPECT_EQ(Source(again.at(0).sword[0]), first);
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(hits.front(), (Hit{20, 200, 40, 40, 18, 10}));
}

TEST_P(ComboTest, SwordBlinksWithTheBody) {
    StandFacing(GetParam());
    player.Hurt();
    Frames(12);
    ASSERT_TRUE(player.IsLanded());
    ASSERT_FALSE(player.IsVulnerable());
    const auto frames = RunAttack(kSingleStepFrames + 1, {1});
    int64_t hidden = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto& drawn = frames[i];
        const bool attacking = i + 1 <= kSingleStepFrames;
        ASSERT_EQ(drawn.sword.size(), attacking ? drawn.body.size() : 0u) << "frame " << i + 1;
        hidden += drawn.body.empty() ? 1 : 0;
    }
    EXPECT_GT(hidden, 0);
    EXPECT_EQ(player.GetMotion(), kMotionStand);
}

}  // namespace
}  // namespace morva::testing
