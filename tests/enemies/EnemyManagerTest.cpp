#include "actors/EnemyManager.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "FakeLibrary.h"

namespace morva {
namespace {

constexpr std::array<int64_t, 5> kLines = {400, 500, 600, 700, 800};
constexpr double kFar = -5000.0;  // a player x no rock reaches
constexpr auto kRock = "rock_enemy.zqtex";
using Rect = std::array<double, 4>;  // x, y, w, h

class EnemyManagerTest : public ::testing::Test {
protected:
    static Rect Source(const fake::DrawCall& c) { return {c.srcX(), c.srcY(), c.srcW(), c.srcH()}; }
    static Rect Destination(const fake::DrawCall& c) {
        return {c.dstX(), c.dstY(), c.dstW(), c.dstH()};
    }
    static double Cents(double v) { return std::round(v * 100) / 100; }
    // 0.3 slower each update; from a hair past zero one last step back, then rest.
    static double Slide(int64_t u) { return u <= 20 ? 6 - 0.3 * double(u) : u == 21 ? -0.3 : 0; }

    void SetUp() override { Restart(); }
    void Restart() {
        enemies = EnemyManager{};
        enemies.Init();
        enemies.SetLineCount(5);
        for (int64_t i = 0; i < 5; ++i) {
            enemies.SetLineY(i, kLines[static_cast<std::size_t>(i)]);
        }
        enemies.Load(0, 0, 1600, 900);
    }
    void Run(int64_t updates, double playerX = kFar, int64_t playerLineY = 400) {
        for (int64_t i = 0; i < updates; ++i) {
            enemies.Update(playerX, playerLineY);
        }
    }
    // A fresh table with a rock standing at (1000, 600) in slot 0, its AI timer at 0.
    void StandOnLine2(bool faceLeft = false) {
        Restart();
        enemies.Spawn(2, 600);
        Run(faceLeft ? 67 + 32 : 67, faceLeft ? 0 : kFar, 600);  // the first thought turns it
    }
    // Slot 0 as {x, y, state, line move, life}, places to the hundredth of a pixel.
    std::array<double, 5> Rock() const {
        return {Cents(enemies.GetX(0)), Cents(enemies.GetY(0)), double(enemies.GetState(0)),
                double(enemies.GetLineMove(0)), double(enemies.GetLife(0))};
    }
    std::vector<fake::DrawCall> DrawLine(const char* file, int64_t lineY = 600, double viewX = 0) {
        library.draws.clear();
        enemies.DrawLine(viewX, 0, lineY);
        return library.DrawsOf(file);
    }

    fake::FakeLibrary library;
    EnemyManager enemies;
};

TEST_F(EnemyManagerTest, RockSinksFromTheHoleOntoItsLineAndStands) {
    enemies.Spawn(2, 600);
    for (int64_t update = 0; update <= 66; ++update) {
        ASSERT_EQ(enemies.GetY(0), 400 + 3 * update) << "update " << update;
        ASSERT_EQ(enemies.GetLineMove(0), 2) << "update " << update;
        if (update == 10) {  // counts as on its target line while sinking
            EXPECT_TRUE(enemies.HitTest(0, 600, 1000, 430, 30));
            EXPECT_FALSE(enemies.HitTest(0, 400, 1000, 430, 30));
        }
        Run(1);
    }
    // Reaches 601 in the 67th update and is snapped back.
    EXPECT_EQ(Rock(), (std::array<double, 5>{1000, 600, kRockStand, 0, 100}));
    // Hit only on its line by a strictly overlapping circle (radii 50 + 30).
    EXPECT_TRUE(enemies.HitTest(0, 600, 1000, 600, 30));
    EXPECT_FALSE(enemies.HitTest(0, 500, 1000, 600, 30));
    EXPECT_FALSE(enemies.HitTest(0, 600, 1048, 664, 30)) << "distance exactly 80";
    EXPECT_TRUE(enemies.HitTest(0, 600, 1047.9, 664, 30));
    EXPECT_FALSE(enemies.HitTest(1, 600, 1000, 600, 30)) << "free slot";
    // Hole and rock are drawn centred in the view, the rock only on its line.
    library.draws.clear();
    enemies.DrawHole(300, 0);
    EXPECT_EQ(Destination(library.DrawsOf("generate_hole.zqtex").at(0)),
              (Rect{400, 150, 600, 400}));
    EXPECT_EQ(Destination(DrawLine(kRock, 600, 300).at(0)), (Rect{600, 500, 200, 200}));
    EXPECT_TRUE(DrawLine(kRock, 500).empty());
    // Thoughts in the 32nd update after the arrival and every 32nd after turn the rock.
    double x = 1000;
    for (int64_t update = 1; update <= 96; ++update) {
        enemies.Update(update <= 32 ? 500 : update <= 64 ? 2000 : 0, 600);
        x += update < 32 ? 0 : update < 64 ? -3 : update < 96 ? 3 : -3;
        ASSERT_EQ(enemies.GetX(0), x) << "update " << update;
    }
}

TEST_F(EnemyManagerTest, FullTableRefusesASeventhRock) {
    for (int64_t i = 0; i < 6; ++i) {
        enemies.Spawn(1 + i % 3, kLines[static_cast<std::size_t>(1 + i % 3)]);
        Run(1);
    }
    enemies.Spawn(3, 700);
    for (int64_t slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(enemies.GetTimer(slot), 6 - slot) << "slot " << slot;
        EXPECT_EQ(enemies.GetY(slot), 400 + 3 * (6 - slot)) << "slot " << slot;
    }
    EXPECT_THROW(enemies.IsActive(6), std::out_of_range);
}

TEST_F(EnemyManagerTest, RockSentDownFromTheBottomLineOnlyDips) {
    enemies.Spawn(3, 700);
    Run(101 + 32, 100, 800);  // far from the player on another line: down to the bottom line
    Run(34);
    ASSERT_EQ(enemies.GetY(0), 800);
    // Near on another line: the down order repeats, but there is no line below.
    Run(32, 900, 700);
    EXPECT_EQ(Rock(), (std::array<double, 5>{997, 800, kRockWalk, 2, 100}));
    EXPECT_EQ(enemies.GetTargetLineY(0), 800);
    Run(1, 900, 700);
    EXPECT_EQ(Rock(), (std::array<double, 5>{997, 800, kRockStand, 0, 100}));
}

TEST_F(EnemyManagerTest, DamageThresholdsAndTheGaugeShrinkingTowardsItsCentre) {
    struct Case {
        int64_t damage;
        double state, life, barX, barW;
    };
    for (const Case& c :
         {Case{0, kRockStand, 100, 922, 156}, Case{98, kRockRecoil, 2, 998.44, 3.12},
          Case{99, kRockBreak, 1, 999.22, 1.56}, Case{100, kRockBreak, 0, 1000, 0},
          Case{250, kRockBreak, 0, 1000, 0}}) {
        SCOPED_TRACE(::testing::Message() << "damage " << c.damage);
        StandOnLine2();
        if (c.damage > 0) {
            enemies.Damage(0, c.damage, true);
        }
        EXPECT_EQ(Rock(), (std::array<double, 5>{1000, 600, c.state, 0, c.life}));
        const auto bar = DrawLine("life.zqtex");
        const auto frame = library.DrawsOf("gauge.zqtex");
        ASSERT_EQ(bar.size() + frame.size(), 2u);
        const Rect at = Destination(bar[0]);
        EXPECT_EQ((Rect{Cents(at[0]), at[1], Cents(at[2]), at[3]}),
                  (Rect{c.barX, 492, c.barW, 16}));
        EXPECT_EQ((std::array{Source(bar[0]), Source(frame[0]), Destination(frame[0])}),
                  (std::array<Rect, 3>{{{0, 0, 32, 32}, {0, 0, 256, 32}, {920, 490, 160, 20}}}));
    }
}

// Blows on rocks standing, sinking onto their line or changing lines. The recoil ends
// in the 22nd update, the break frees the slot in the 62nd; no hit lands meanwhile.
TEST_F(EnemyManagerTest, RecoilAndBreakRunTheirCourse) {
    struct Blow {
        int64_t line, before, playerLineY, damage;
        bool pushRight, standing;    // standing: slides in every update
        double endX, endY, endLife;  // where the recoil ends or the break is last drawn
    };
    const Blow blows[] = {
        {2, 67, 400, 10, true, true, 1056.7, 600, 90},
        {2, 67, 400, 10, false, true, 943.3, 600, 90},
        {2, 60, 400, 10, false, false, 994, 600, 90},  // one slide, then sinks
        {2, 67, 400, 100, false, true, 943.3, 656.7, 0},
        {1, 20, 400, 100, true, false, 1006, 500, 0},
        {3, 143, 800, 99, true, false, 1006, 800, 1},
    };
    for (const Blow& b : blows) {
        SCOPED_TRACE(::testing::Message() << "damage " << b.damage << " after " << b.before);
        const bool breaks = b.damage >= 99;
        const int64_t during = breaks ? kRockBreak : kRockRecoil;
        Restart();
        enemies.Spawn(b.line, kLines[static_cast<std::size_t>(b.line)]);
        Run(b.before, 100, b.playerLineY);
        const int64_t lineY = enemies.GetTargetLineY(0);
        ASSERT_EQ(enemies.GetLineMove(0), b.standing ? 0 : 2);
        ASSERT_TRUE(enemies.HitTest(0, lineY, enemies.GetX(0), enemies.GetY(0), 30));
        enemies.Damage(0, b.damage, b.pushRight);
        for (int64_t update = 1; update <= (breaks ? 61 : 22); ++update) {
            SCOPED_TRACE(::testing::Message() << "update " << update);
            const double x = enemies.GetX(0), y = enemies.GetY(0);
            ASSERT_FALSE(enemies.HitTest(0, lineY, x, y, 30));
            Run(1, 0, lineY);
            ASSERT_EQ(enemies.GetState(0), update == 22 && !breaks ? kRockStand : during);
            ASSERT_EQ(DrawLine(kRock, lineY).size(), 1u);
            ASSERT_TRUE(enemies.AnyActive());
            if (b.standing) {
                ASSERT_NEAR(enemies.GetX(0) - x, (b.pushRight ? 1 : -1) * Slide(update), 1e-9);
                ASSERT_NEAR(enemies.GetY(0) - y, breaks ? Slide(update) : 0, 1e-9);
            }
        }
        const double endState = breaks ? kRockBreak : kRockStand;
        EXPECT_EQ(Rock(), (std::array{b.endX, b.endY, endState, 0.0, b.endLife}));
        if (breaks) {
            Run(1);
            EXPECT_FALSE(enemies.AnyActive());
            EXPECT_TRUE(DrawLine(kRock, lineY).empty());
        } else {  // hittable again; the AI timer stood still, its thought comes 32 updates on
            EXPECT_TRUE(enemies.HitTest(0, lineY, enemies.GetX(0), lineY, 30));
            Run(31, 0, lineY);
            EXPECT_EQ(Cents(enemies.GetX(0)), b.endX);
            Run(1, 0, lineY);
            EXPECT_EQ(Cents(enemies.GetX(0)), b.endX - 3);
        }
    }
}

TEST_F(EnemyManagerTest, AnimationFollowsFacingAndStateAndAReusedSlotKeepsTheFacing) {
    struct Case {
        bool faceLeft;
        int64_t damage, updatesAfter, anime;  // damage 0: not hit
        Rect source;
    };
    const Case cases[] = {
        {false, 0, 0, 100, {256, 256, -256, 256}},   {false, 0, 8, 100, {256, 246, -256, 256}},
        {false, 10, 0, 110, {256, 0, -256, 256}},    {false, 10, 20, 110, {256, 0, -256, 256}},
        {false, 100, 0, 120, {256, 0, -256, 256}},   {false, 100, 30, 120, {512, 0, -256, 256}},
        {false, 100, 61, 120, {1024, 0, -256, 256}}, {true, 0, 0, 200, {0, 256, 256, 256}},
        {true, 0, 6, 200, {0, 246, 256, 256}},       {true, 10, 0, 210, {0, 0, 256, 256}},
        {true, 100, 0, 220, {0, 0, 256, 256}},       {true, 100, 40, 220, {512, 0, 256, 256}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "anime " << c.anime << " after " << c.updatesAfter);
        StandOnLine2(c.faceLeft);
        if (c.damage > 0) {
            enemies.Damage(0, c.damage, true);
        }
        Run(c.updatesAfter);
        const auto drawn = DrawLine(kRock);
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(enemies.GetAnime(0), c.anime);
        EXPECT_EQ(Source(drawn[0]), c.source);
    }
    // The last rock, facing left, is freed; a new rock in its slot keeps the old facing.
    Run(22);
    enemies.Spawn(1, 500);
    EXPECT_EQ(Rock(), (std::array<double, 5>{1000, 400, kRockWalk, 2, 100}));
    EXPECT_EQ(Source(DrawLine(kRock, 500).at(0)), (Rect{0, 256, 256, 256}));
}

}  // namespace
}  // namespace morva
