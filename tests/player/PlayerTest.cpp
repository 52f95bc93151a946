#include "player/Player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeLibrary.h"

namespace morva {
namespace {

constexpr std::array<int64_t, 5> kLines = {400, 500, 600, 700, 800};
using Rect = std::array<double, 4>;  // x, y, w, h
constexpr Rect kStandRight = {0, 0, 256, 256}, kAirRight = {256, 512, 256, 256};

// What one frame put on screen, by picture.
struct FrameDraws {
    std::vector<fake::DrawCall> body, sword, smoke;
    double viewX = 0.0;
};

// Drives the player as the game scene does: controls through the accessors, then Update with
// the line height, UpdateTimers, drawing of all five lines and the end-of-frame clear.
class PlayerTest : public ::testing::Test {
protected:
    static Rect Src(const fake::DrawCall& c) { return {c.srcX(), c.srcY(), c.srcW(), c.srcH()}; }
    static Rect Dst(const fake::DrawCall& c) { return {c.dstX(), c.dstY(), c.dstW(), c.dstH()}; }

    void SetUp() override {
        player.Init();
        player.LoadSprites(0, 0, 1600, 900);
        player.InitAttackTable();
        player.InitSmoke();
        player.LoadSmokeSprite(0, 0, 1600, 900);
        player.SetLine(3);
    }
    // The scene's ground controls run only on the ground and out of an attack or hurt.
    bool GroundFree() const {
        return player.IsLanded() && player.GetMotion() != kMotionAttack &&
               player.GetMotion() != kMotionHurt;
    }
    void StartMotion(int64_t motion) {
        player.SetStateChanged(true);
        player.SetMotion(motion);
    }
    void PushWalk(int64_t facing) {
        ASSERT_TRUE(GroundFree());
        player.SetFacing(facing);
        StartMotion(kMotionWalk);
    }
    void PushLine(int64_t step) {  // -1 up, +1 down
        ASSERT_TRUE(GroundFree());
        player.SetLineMove(step < 0 ? kLineMoveUp : kLineMoveDown);
        player.SetMove(player.GetMoveX(), static_cast<double>(step) * player.GetWalkSpeed());
        player.AddLine(step);
        player.SetLine(std::clamp<int64_t>(player.GetLine(), 0, 4));
    }
    // Starts an attack when free to, and in the same frame tries the chain.
    void PushAttack() {
        if (GroundFree()) {
            StartMotion(kMotionAttack);
        }
        if (player.GetMotion() == kMotionAttack) {
            player.ChainAttack();
        }
    }
    // Runs frames, returns what the last one drew. Nothing may be drawn for another line
    // than the player's, not even smoke.
    FrameDraws Frame(int64_t count = 1) {
        for (int64_t i = 1; i < count; ++i) {
            Frame();
        }
        player.Update(kLines.at(static_cast<std::size_t>(player.GetLine())));
        player.UpdateTimers();
        FrameDraws frame{{}, {}, {}, followCamera ? player.GetX() - 800.0 : 0.0};
        for (int64_t lineY : kLines) {
            library.draws.clear();
            player.Draw(frame.viewX, 0.0, lineY);
            for (const auto& call : library.draws) {
                const std::string name = library.TextureName(call.texture);
                EXPECT_EQ(lineY, player.GetLineY()) << name << " drawn for another line";
                auto& kind = name == "pelomar256.zqtex" ? frame.body
                             : name == "sword.zqtex"    ? frame.sword
                                                        : frame.smoke;
                kind.push_back(call);
            }
        }
        player.SetStateChanged(false);
        return frame;
    }
    void FallIn() { Frame(27); }
    void StandFacing(int64_t facing) {
        FallIn();
        PushWalk(facing);
        Frame();
        StartMotion(kMotionStand);
        Frame();
    }

    fake::FakeLibrary library;
    Player player;
    bool followCamera = false;
};

TEST_F(PlayerTest, FallsOntoLineThreeInItsTwentySeventhUpdate) {
    for (int64_t update = 1; update <= 37; ++update) {
        SCOPED_TRACE(::testing::Message() << "update " << update);
        const FrameDraws frame = Frame();
        ASSERT_EQ(player.IsLanded(), update >= 27);
        ASSERT_EQ(player.GetY(), update >= 27 ? 700.0 : double(update * (update - 1)));
        ASSERT_EQ(frame.body.size(), 1u);
        ASSERT_EQ(Src(frame.body[0]), update < 27 ? kAirRight : kStandRight);
    }
    EXPECT_EQ((std::array{player.GetX(), double(player.GetLineY())}), (std::array{700.0, 700.0}));
    EXPECT_EQ(Dst(Frame().body.at(0)), (Rect{600, 600, 200, 200})) << "200 x 200, centred";
}

TEST_F(PlayerTest, LineChangeSlidesTwentyOneFramesAndSnapsOntoTheLine) {
    FallIn();
    for (const int64_t step : {-1, 1}) {
        const double from = player.GetY();
        PushLine(step);
        for (int64_t frame = 1; frame <= 26; ++frame) {
            SCOPED_TRACE(::testing::Message() << "frame " << frame);
            ASSERT_EQ(Frame().body.size(), 1u);  // and only on the new line, from the first frame
            ASSERT_EQ(player.GetLineY(), from + 100.0 * double(step));
            ASSERT_EQ(player.GetY(), from + double(step * (frame <= 20 ? 5 * frame : 100)));
        }
    }
    // Hurt on the way up: below line 2 after the first airborne move, snapped onto it.
    PushLine(-1);
    Frame(5);
    player.Hurt();
    Frame();
    EXPECT_EQ((std::array{player.GetX(), player.GetY()}), (std::array{690.0, 600.0}));
    EXPECT_TRUE(player.IsLanded() && player.GetMotion() == kMotionStand);
    // Up on the top line: snapped back in the same update.
    for (int64_t change = 0; change < 2; ++change) {
        PushLine(-1);
        Frame(21);
    }
    PushLine(-1);
    for (int64_t frame = 1; frame <= 4; ++frame) {
        Frame();
        ASSERT_EQ(player.GetY(), 400.0) << "frame " << frame;
    }
}

TEST_F(PlayerTest, HitWhileWalkingRightThrowsBackBlinksAndStands) {
    FallIn();
    PushWalk(kFacingRight);
    Frame(10);      // to x 750
    player.Hurt();  // the scene's touch test runs after the frame's updates
    // Rise to 30 above the line, back at it in update 11 (still airborne), landed in 12.
    constexpr std::array<double, 12> kRise = {10, 18, 24, 28, 30, 30, 28, 24, 18, 10, 0, 0};
    std::string blinks;
    for (int64_t update = 1; update <= 61; ++update) {
        SCOPED_TRACE(::testing::Message() << "update " << update);
        ASSERT_FALSE(player.IsVulnerable());
        const FrameDraws frame = Frame();
        blinks += frame.body.empty() ? 'H' : 'V';
        const auto rise = kRise.at(static_cast<std::size_t>(std::min<int64_t>(update, 12) - 1));
        ASSERT_EQ(player.GetX(), 750.0 - 10.0 * double(std::min<int64_t>(update, 12)));
        ASSERT_EQ(player.GetY(), 700.0 - rise);
        ASSERT_EQ(player.IsLanded(), update >= 12);
        if (!frame.body.empty()) {
            EXPECT_EQ(Src(frame.body[0]), update < 12 ? kAirRight : kStandRight);
        }
    }
    // Visible (V) or hidden (H) after each update: hidden while the timer holds 57..55,
    // 51..49, ..., 3..1; the 61st update ends it.
    EXPECT_EQ(blinks, "VVHHHVVVHHHVVVHHHVVVHHHVVVHHHVVVHHHVVVHHHVVVHHHVVVHHHVVVHHHVV");
    EXPECT_EQ((std::array{int64_t(player.IsVulnerable()), player.GetMotion(), player.GetFacing()}),
              (std::array{int64_t(1), kMotionStand, kFacingRight}))
        << "vulnerable, motion, facing";
}

// Runs of frames with the same hit circle: {first frame, last frame, ahead of and below the
// body, radius, damage, score}.
using Hits = std::vector<std::array<double, 7>>;

// First and last sword picture of each step, facing right, then left.
constexpr Rect kSwordRight[] = {{0, 256, 512, -256}, {0, 1536, 512, -256}, {0, 0, 512, 256},
                                {0, 1280, 512, 256}, {512, 0, 512, 256},   {512, 1280, 512, 256}};
constexpr Rect kSwordLeft[] = {{512, 256, -512, -256}, {512, 1536, -512, -256},
                               {512, 0, -512, 256},    {512, 1280, -512, 256},
                               {1024, 0, -512, 256},   {1024, 1280, -512, 256}};

class ComboTest : public PlayerTest, public ::testing::WithParamInterface<int64_t> {
protected:
    // Runs frames 1..count pushing Attack in the frames asked for; keeps the sword draws
    // and the hit circle of each frame, runs of equal circles joined.
    std::vector<FrameDraws> RunAttack(int64_t count, const std::function<bool(int64_t)>& push) {
        std::vector<FrameDraws> frames;
        hits.clear();
        for (int64_t frame = 1; frame <= count; ++frame) {
            if (push(frame)) {
                PushAttack();
            }
            frames.push_back(Frame());
            if (!player.IsHitActive()) {
                continue;
            }
            const double ahead = player.GetFacing() == kFacingRight ? 1.0 : -1.0;
            const std::array<double, 5> hit = {
                (player.GetHitX() - player.GetX()) * ahead, player.GetHitY() - player.GetY(),
                player.GetHitRadius(), double(player.GetHitDamage()), double(player.GetHitScore())};
            if (hits.empty() || hits.back()[1] != double(frame - 1) ||
                !std::equal(hit.begin(), hit.end(), hits.back().begin() + 2)) {
                hits.push_back({double(frame), 0, hit[0], hit[1], hit[2], hit[3], hit[4]});
            }
            hits.back()[1] = double(frame);
        }
        return frames;
    }
    static int64_t SwordFrames(const std::vector<FrameDraws>& frames) {
        return std::count_if(frames.begin(), frames.end(),
                             [](const FrameDraws& f) { return !f.sword.empty(); });
    }
    std::array<Rect, 6> Sword() const {
        return std::to_array(GetParam() == kFacingRight ? kSwordRight : kSwordLeft);
    }

    Hits hits;
};

INSTANTIATE_TEST_SUITE_P(BothFacings, ComboTest, ::testing::Values(kFacingRight, kFacingLeft),
                         [](const auto& info) { return info.param == kFacingRight ? "R" : "L"; });

TEST_P(ComboTest, EarliestFullChainIsDrawnInEightyFourFramesWithNoFourthStep) {
    StandFacing(GetParam());
    const double x = player.GetX(), y = player.GetY(), ahead = GetParam() == kFacingRight ? 1 : -1;
    // Pushed in every frame from the chain into step 3 on: no fourth step.
    const auto frames =
        RunAttack(90, [](int64_t f) { return f == 1 || f == 21 || (f >= 40 && f <= 84); });
    for (int64_t frame = 1; frame <= 90; ++frame) {
        const FrameDraws& drawn = frames.at(std::size_t(frame - 1));
        ASSERT_EQ(drawn.sword.size(), frame <= 84 ? 1u : 0u) << "frame " << frame;
        const double row = GetParam() == kFacingRight ? 0 : 256;  // attack body, then standing
        ASSERT_EQ(Src(drawn.body.at(0)),
                  (frame <= 84 ? Rect{256, 512 + row, 256, 256} : Rect{0, row, 256, 256}))
            << "frame " << frame;
    }
    const auto sword = [&](int64_t frame) { return frames.at(std::size_t(frame - 1)).sword.at(0); };
    // Each step's picture starts over at its chain; 600 x 200 ahead of and below the body.
    EXPECT_EQ((std::array{Src(sword(1)), Src(sword(20)), Src(sword(21)), Src(sword(39)),
                          Src(sword(40)), Src(sword(84))}),
              Sword());
    EXPECT_EQ((std::array{Dst(sword(1)), Dst(sword(21)), Dst(sword(40))}),
              (std::array<Rect, 3>{Rect{x + ahead * 30 - 300, y - 100, 600, 200},
                                   Rect{x + ahead * 30 - 300, y - 70, 600, 200},
                                   Rect{x + ahead * 100 - 300, y - 70, 600, 200}}));
    EXPECT_EQ(hits, (Hits{{20, 20, 200, 40, 40, 18, 10},
                          {39, 39, 200, 40, 40, 12, 15},
                          {61, 66, 280, 40, 40, 25, 40}}));
    EXPECT_EQ(player.GetX(), x);
    EXPECT_EQ(player.GetMotion(), kMotionStand);
}

TEST_P(ComboTest, ChainIsTakenOnlyInsideTheWindowAsThePreviousFrameLeftIt) {
    // Up to the frame in which the single step of 39 frames runs out.
    for (int64_t push = 2; push <= 40; ++push) {
        SCOPED_TRACE(::testing::Message() << "push in frame " << push);
        player = Player{};
        SetUp();
        StandFacing(GetParam());
        const auto frames = RunAttack(80, [push](int64_t f) { return f == 1 || f == push; });
        if (push >= 21 && push <= 26) {  // the second step runs its 38 frames after the push
            EXPECT_EQ(Src(frames.at(std::size_t(push - 1)).sword.at(0)), Sword()[2]);
            EXPECT_EQ(SwordFrames(frames), push - 1 + 38);
            const double p = double(push);
            EXPECT_EQ(hits, (Hits{{20, p - 1, 200, 40, 40, 18, 10},
                                  {p + 18, p + 23, 200, 40, 40, 12, 15}}));
        } else {  // a single step: its window open for six frames
            EXPECT_EQ(SwordFrames(frames), 39);
            EXPECT_EQ(hits, (Hits{{20, 25, 200, 40, 40, 18, 10}}));
        }
        ASSERT_EQ(player.GetMotion(), kMotionStand);
    }
}

// The recoil of a hit in the second step's window, then an attack while blinking.
TEST_P(ComboTest, HitEndsTheAttackAndTheSwordBlinksWithTheBody) {
    StandFacing(GetParam());
    RunAttack(21 + 19, [](int64_t f) { return f == 1 || f == 21; });
    ASSERT_TRUE(player.IsHitActive());
    ASSERT_EQ(player.GetHitDamage(), 12);
    player.Hurt();
    EXPECT_FALSE(player.IsHitActive());
    EXPECT_EQ(player.GetHitDamage(), 18) << "back at step 1";
    EXPECT_EQ(SwordFrames(RunAttack(12, [](int64_t) { return false; })), 0);
    EXPECT_TRUE(hits.empty()) << ::testing::PrintToString(hits);
    std::string shown;  // a fresh attack starts over at step 1, window and all
    const auto frames = RunAttack(42, [](int64_t f) { return f == 1; });
    for (const FrameDraws& drawn : frames) {
        shown += drawn.body.empty() ? '-' : drawn.sword.empty() ? 'B' : 'S';
        ASSERT_LE(drawn.sword.size(), drawn.body.size());
    }
    EXPECT_EQ(shown, "SS---SSS---SSS---SSS---SSS---SSS---SSS---B");
    EXPECT_EQ(Src(frames.at(0).sword.at(0)), Sword()[0]);
    EXPECT_EQ(hits, (Hits{{20, 25, 200, 40, 40, 18, 10}}));
}

TEST_F(PlayerTest, DashPuffsSmokeEveryTenFramesThatFadesAndSpinsForSixtyOneFrames) {
    followCamera = true;
    FallIn();
    PushWalk(kFacingRight);
    Frame(5);
    StartMotion(kMotionDash);
    std::vector<int64_t> emitted, counts;
    double previousX = player.GetX(), puffX = 0;
    for (int64_t frame = 0; frame <= 300; ++frame) {
        SCOPED_TRACE(::testing::Message() << "frame " << frame << " of the dash");
        const FrameDraws drawn = Frame();
        const auto count = int64_t(drawn.smoke.size());
        if (frame <= 61 && count > (counts.empty() ? 0 : counts.back())) {
            emitted.push_back(frame);  // the newest puff, centred 50 below the body before the move
            EXPECT_EQ(Dst(drawn.smoke.back()), (Rect{previousX - 30 - drawn.viewX, 720, 60, 60}));
            EXPECT_EQ(Src(drawn.smoke.back()), (Rect{0, 0, 128, 128}));
        }
        counts.push_back(count);
        previousX = player.GetX();
        if (frame >= 1 && frame <= 61) {  // the first puff, drawn first, stays put
            const auto& puff = drawn.smoke.at(0);
            puffX = frame == 1 ? puff.dstX() + drawn.viewX : puffX;
            ASSERT_EQ(puff.dstX() + drawn.viewX, puffX);
            ASSERT_NEAR(puff.alpha(), 1.0 - double(frame) / 60.0, 1e-9);
            ASSERT_NEAR(puff.args.at(10), std::numbers::pi / 12.0 * double(frame), 1e-9);
        }
    }
    EXPECT_EQ(emitted, (std::vector<int64_t>{1, 11, 21, 31, 41, 51, 61}));
    EXPECT_EQ(*std::max_element(counts.begin(), counts.end()), 7);
    EXPECT_EQ((std::array{counts.at(61), counts.at(62), counts.at(300)}), (std::array{7L, 6L, 6L}));
    // On the walk's puff beat (its time reading 10) the dash puffs at once and next frame.
    player = Player{};
    SetUp();
    FallIn();
    PushWalk(kFacingRight);
    Frame(11);
    StartMotion(kMotionDash);
    std::string beat;
    for (int64_t frame = 0; frame <= 12; ++frame) {
        beat += std::to_string(Frame().smoke.size());
    }
    EXPECT_EQ(beat, "1222222222233");
}

TEST(SmokeEmitterTest, PuffsAgeSpinFadeAndRetireAFullPoolRefusesAFreedSlotKeepsItsAngle) {
    fake::FakeLibrary library;
    SmokeEmitter smoke;
    smoke.Init(0.5, 0.25, 2, 30.0, 0.0, 0.0, 3);  // per frame 0.5 radians, 0.25 opacity; 3 slots
    // Slot i as {active, x, y, age, angle, alpha}.
    const auto slot = [&](int64_t i) {
        return std::array{double(smoke.IsActive(i)), smoke.GetX(i),     smoke.GetY(i),
                          double(smoke.GetAge(i)),   smoke.GetAngle(i), smoke.GetAlpha(i)};
    };
    for (int64_t i = 0; i < 3; ++i) {
        smoke.Emit(100.0 * double(i), 20);
        smoke.Update();
    }
    smoke.Emit(999, 999);  // refused
    EXPECT_EQ(
        (std::array{slot(0), slot(1), slot(2)}),
        (std::array<std::array<double, 6>, 3>{
            {{1, 0, 20, 3, 1.5, 0.25}, {1, 100, 20, 2, 1, 0.5}, {1, 200, 20, 1, 0.5, 0.75}}}));
    smoke.Update();  // past its lifetime of 2 frames: slot 0 retires, nothing else changes
    EXPECT_EQ(slot(0), (std::array<double, 6>{0, 0, 20, 3, 1.5, 0.25}));
    smoke.Emit(5, 6);  // the lowest free slot, keeping its angle
    EXPECT_EQ(slot(0), (std::array<double, 6>{1, 5, 6, 0, 1.5, 1}));
    EXPECT_THROW(smoke.IsActive(3), std::out_of_range);
}

}  // namespace
}  // namespace morva
