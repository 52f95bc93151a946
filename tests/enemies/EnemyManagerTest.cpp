#include "actors/EnemyManager.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "FakeLibrary.h"

namespace morva {
namespace {

constexpr std::array<int64_t, 5> kLines = {400, 500, 600, 700, 800};
constexpr double kFar = -5000.0;  // a player x no rock reaches

struct Rect {
    double x, y, w, h;
    bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
}

Rect Source(const fake::DrawCall& call) {
    return {call.srcX(), call.srcY(), call.srcW(), call.srcH()};
}
Rect Destination(const fake::DrawCall& call) {
    return {call.dstX(), call.dstY(), call.dstW(), call.dstH()};
}

void Prepare(EnemyManager& rocks) {
    rocks.Init();
    rocks.SetLineCount(static_cast<int64_t>(kLines.size()));
    for (std::size_t i = 0; i < kLines.size(); ++i) {
        rocks.SetLineY(static_cast<int64_t>(i), kLines[i]);
    }
    rocks.Load(0, 0, 1600, 900);
}

void Advance(EnemyManager& rocks, int64_t updates, double playerX = kFar,
             int64_t playerLineY = 400) {
    for (int64_t i = 0; i < updates; ++i) {
        rocks.Update(playerX, playerLineY);
    }
}

// 0.3 slower each update; from a hair past zero one last step back, then rest.
double Slide(int64_t update) {
    return update <= 20 ? 6 - 0.3 * static_cast<double>(update) : update == 21 ? -0.3 : 0;
}

class EnemyManagerTest : public ::testing::Test {
protected:
    void SetUp() override { Prepare(enemies); }

    void Run(int64_t updates, double playerX = kFar, int64_t playerLineY = 400) {
        Advance(enemies, updates, playerX, playerLineY);
    }

    // A rock standing at (1000, 600) in slot 0, its AI timer at 0.
    void StandOnLine2() {
        enemies.Spawn(2, 600);
        Run(67);
    }

    std::vector<fake::DrawCall> DrawLine(int64_t lineY, const std::string& file) {
        library.draws.clear();
        enemies.DrawLine(0, 0, lineY);
        return library.DrawsOf(file);
    }

    fake::FakeLibrary library;
    EnemyManager enemies;
};

TEST_F(EnemyManagerTest, RockSinksFromTheHoleOntoItsLineAndStands) {
    EXPECT_FALSE(enemies.AnyActive());
    enemies.Spawn(2, 600);
    EXPECT_TRUE(enemies.AnyActive());
    ASSERT_EQ(enemies.GetY(0), 400);
    for (int64_t update = 1; update <= 66; ++update) {
        Run(1);
        ASSERT_EQ(enemies.GetY(0), 400 + 3 * update) << "update " << update;
        ASSERT_EQ(enemies.GetLineMove(0), 2) << "update " << update;
    }
    Run(1);  // reaches 601 and is snapped back
    EXPECT_EQ(enemies.GetX(0), 1000);
    EXPECT_EQ(enemies.GetY(0), 600);
    EXPECT_EQ(enemies.GetLineMove(0), 0);
    EXPECT_EQ(enemies.GetState(0), kRockStand);
}

TEST_F(EnemyManagerTest, AiThinksEvery32ndUpdateAfterArrival) {
    StandOnLine2();
    // The player changes sides between thoughts; only the thoughts turn the rock.
    double x = 1000;
    for (int64_t update = 1; update <= 96; ++update) {
        const double playerX = update <= 32 ? 500 : update <= 64 ? 2000 : 0;
        enemies.Update(playerX, 600);
        const double step = update < 32 ? 0 : update < 64 ? -3 : update < 96 ? 3 : -3;
        x += step;
        ASSERT_EQ(enemies.GetX(0), x) << "update " << update;
    }
}

TEST_F(EnemyManagerTest, FullTableRefusesASeventhRock) {
    for (int64_t i = 0; i < 6; ++i) {
        enemies.Spawn(1 + i % 3, kLines[1 + i % 3]);
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
    Run(101);
    ASSERT_EQ(enemies.GetY(0), 700);
    // Far from the player on another line: down to the bottom line.
    Run(32, 100, 800);
    ASSERT_EQ(enemies.GetTargetLineY(0), 800);
    Run(34);
    ASSERT_EQ(enemies.GetY(0), 800);
    ASSERT_EQ(enemies.GetLineMove(0), 0);
    // Near on another line: the down order repeats, but there is no line below.
    Run(32, 900, 700);
    EXPECT_EQ(enemies.GetLineMove(0), 2);
    EXPECT_EQ(enemies.GetTargetLineY(0), 800);
    EXPECT_EQ(enemies.GetX(0), 997);
    Run(1, 900, 700);
    EXPECT_EQ(enemies.GetY(0), 800);
    EXPECT_EQ(enemies.GetLineMove(0), 0);
    EXPECT_EQ(enemies.GetState(0), kRockStand);
}

TEST_F(EnemyManagerTest, HitTestNeedsTheLineAndStrictlyOverlappingCircles) {
    enemies.Spawn(2, 600);
    Run(10);
    EXPECT_TRUE(enemies.HitTest(0, 600, 1000, 430, 30)) << "counts as on its target line";
    EXPECT_FALSE(enemies.HitTest(0, 400, 1000, 430, 30));
    Run(57);
    EXPECT_TRUE(enemies.HitTest(0, 600, 1000, 600, 30));
    EXPECT_FALSE(enemies.HitTest(0, 500, 1000, 600, 30));
    EXPECT_FALSE(enemies.HitTest(0, 600, 1048, 664, 30)) << "distance 80 = 50 + 30";
    EXPECT_TRUE(enemies.HitTest(0, 600, 1047.9, 664, 30));
    EXPECT_FALSE(enemies.HitTest(1, 600, 1000, 600, 30)) << "free slot";
}

TEST_F(EnemyManagerTest, DamageRecoilsAboveOneLifeAndBreaksAtOneOrNone) {
    struct Case {
        int64_t amount;
        int64_t life;
        int64_t state;
    };
    for (const Case& c : {Case{98, 2, kRockRecoil}, Case{99, 1, kRockBreak},
                          Case{100, 0, kRockBreak}, Case{250, 0, kRockBreak}}) {
        EnemyManager rocks;
        Prepare(rocks);
        rocks.Spawn(2, 600);
        rocks.Damage(0, c.amount, true);
        EXPECT_EQ(rocks.GetLife(0), c.life) << "damage " << c.amount;
        EXPECT_EQ(rocks.GetState(0), c.state) << "damage " << c.amount;
    }
}

TEST_F(EnemyManagerTest, RecoilSlidesEndsInThe22ndUpdateAndWaitsForTheAi) {
    for (const bool pushRight : {true, false}) {
        SCOPED_TRACE(pushRight ? "pushed right" : "pushed left");
        EnemyManager rocks;
        Prepare(rocks);
        rocks.Spawn(2, 600);
        Advance(rocks, 67);
        rocks.Damage(0, 10, pushRight);
        const double side = pushRight ? 1 : -1;
        double x = 1000;
        for (int64_t update = 1; update <= 22; ++update) {
            ASSERT_FALSE(rocks.HitTest(0, 600, x, 600, 30)) << "update " << update;
            rocks.Update(0, 600);
            ASSERT_NEAR(rocks.GetX(0) - x, side * Slide(update), 1e-9) << "update " << update;
            x = rocks.GetX(0);
            ASSERT_EQ(rocks.GetState(0), update < 22 ? kRockRecoil : kRockStand)
                << "update " << update;
        }
        EXPECT_NEAR(x, 1000 + side * 56.7, 1e-9);
        EXPECT_EQ(rocks.GetY(0), 600);
        EXPECT_EQ(rocks.GetLife(0), 90);
        EXPECT_TRUE(rocks.HitTest(0, 600, x, 600, 30));
        // The AI timer stood still during the recoil.
        Advance(rocks, 31, 0, 600);
        ASSERT_EQ(rocks.GetX(0), x);
        rocks.Update(0, 600);
        EXPECT_EQ(rocks.GetX(0), x - 3);
    }
}

TEST_F(EnemyManagerTest, BreakingRockIsDrawnUntilTheUpdateThatFreesIt) {
    StandOnLine2();
    enemies.Damage(0, 100, false);
    double x = 1000;
    double y = 600;
    for (int64_t update = 1; update <= 61; ++update) {
        ASSERT_FALSE(enemies.HitTest(0, 600, x, y, 30)) << "update " << update;
        Run(1);
        ASSERT_NEAR(enemies.GetX(0) - x, -Slide(update), 1e-9) << "update " << update;
        ASSERT_NEAR(enemies.GetY(0) - y, Slide(update), 1e-9) << "update " << update;
        x = enemies.GetX(0);
        y = enemies.GetY(0);
        ASSERT_EQ(DrawLine(600, "rock_enemy.zqtex").size(), 1u) << "update " << update;
    }
    EXPECT_NEAR(x, 943.3, 1e-9);
    EXPECT_NEAR(y, 656.7, 1e-9);
    EXPECT_TRUE(enemies.AnyActive());
    Run(1);
    EXPECT_FALSE(enemies.IsActive(0));
    EXPECT_FALSE(enemies.AnyActive());
    EXPECT_TRUE(DrawLine(600, "rock_enemy.zqtex").empty());
}

TEST_F(EnemyManagerTest, AnimationFollowsFacingAndState) {
    struct Case {
        bool faceLeft;
        int64_t damage;  // 0: not hit
        int64_t updatesAfter;
        int64_t anime;
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
        EnemyManager rocks;
        Prepare(rocks);
        rocks.Spawn(2, 600);
        Advance(rocks, 67);
        if (c.faceLeft) {
            Advance(rocks, 32, 0, 600);  // the first thought turns it left
        }
        if (c.damage > 0) {
            rocks.Damage(0, c.damage, true);
        }
        Advance(rocks, c.updatesAfter);
        library.draws.clear();
        rocks.DrawLine(0, 0, 600);
        const auto drawn = library.DrawsOf("rock_enemy.zqtex");
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(rocks.GetAnime(0), c.anime);
        EXPECT_EQ(Source(drawn[0]), c.source);
    }
}

TEST_F(EnemyManagerTest, RockAndHoleAreDrawnCentredInTheView) {
    StandOnLine2();
    library.draws.clear();
    enemies.DrawHole(300, 0);
    enemies.DrawLine(300, 0, 600);
    enemies.DrawLine(300, 0, 500);
    ASSERT_EQ(library.draws.size(), 4u) << "hole, rock, life bar, frame";
    const auto hole = library.DrawsOf("generate_hole.zqtex");
    ASSERT_EQ(hole.size(), 1u);
    EXPECT_EQ(Source(hole[0]), (Rect{0, 0, 512, 368}));
    EXPECT_EQ(Destination(hole[0]), (Rect{400, 150, 600, 400}));
    const auto rock = library.DrawsOf("rock_enemy.zqtex");
    ASSERT_EQ(rock.size(), 1u);
    EXPECT_EQ(Destination(rock[0]), (Rect{600, 500, 200, 200}));
}

TEST_F(EnemyManagerTest, GaugeShrinksTowardsItsCentre) {
    struct Case {
        int64_t damage;
        Rect bar;
    };
    for (const Case& c : {Case{0, {922, 492, 156, 16}}, Case{99, {999.22, 492, 1.56, 16}},
                          Case{100, {1000, 492, 0, 16}}}) {
        SCOPED_TRACE(::testing::Message() << "damage " << c.damage);
        EnemyManager rocks;
        Prepare(rocks);
        rocks.Spawn(2, 600);
        Advance(rocks, 67);
        if (c.damage > 0) {
            rocks.Damage(0, c.damage, true);
        }
        library.draws.clear();
        rocks.DrawLine(0, 0, 600);
        const auto bar = library.DrawsOf("life.zqtex");
        const auto frame = library.DrawsOf("gauge.zqtex");
        ASSERT_EQ(bar.size(), 1u);
        ASSERT_EQ(frame.size(), 1u);
        EXPECT_EQ(Source(bar[0]), (Rect{0, 0, 32, 32}));
        const Rect drawnBar = Destination(bar[0]);
        EXPECT_NEAR(drawnBar.x, c.bar.x, 1e-9);
        EXPECT_NEAR(drawnBar.w, c.bar.w, 1e-9);
        EXPECT_EQ(drawnBar.y, c.bar.y);
        EXPECT_EQ(drawnBar.h, c.bar.h);
        EXPECT_EQ(Source(frame[0]), (Rect{0, 0, 256, 32}));
        EXPECT_EQ(Destination(frame[0]), (Rect{920, 490, 160, 20}));
    }
}

TEST_F(EnemyManagerTest, ReusedSlotKeepsTheOldFacing) {
    StandOnLine2();
    Run(32, 0, 600);
    ASSERT_EQ(enemies.GetDir(0), 0);
    enemies.Damage(0, 100, true);
    Run(62);
    ASSERT_FALSE(enemies.IsActive(0));
    enemies.Spawn(1, 500);
    EXPECT_EQ(enemies.GetY(0), 400);
    EXPECT_EQ(enemies.GetLife(0), 100);
    EXPECT_EQ(enemies.GetDir(0), 0);
    const auto rock = DrawLine(500, "rock_enemy.zqtex");
    ASSERT_EQ(rock.size(), 1u);
    EXPECT_EQ(Source(rock[0]), (Rect{0, 256, 256, 256}));
}

TEST_F(EnemyManagerTest, BreakingBlowDuringTheDescentStillFreesTheSlot) {
    enemies.Spawn(1, 500);
    Run(20);
    ASSERT_TRUE(enemies.HitTest(0, 500, 1000, 460, 30));
    enemies.Damage(0, 100, true);
    bool arrived = false;
    for (int64_t update = 1; update <= 61; ++update) {
        ASSERT_FALSE(enemies.HitTest(0, 500, enemies.GetX(0), enemies.GetY(0), 30))
            << "update " << update;
        Run(1);
        ASSERT_TRUE(enemies.IsActive(0)) << "update " << update;
        ASSERT_EQ(enemies.GetState(0), kRockBreak) << "update " << update;
        arrived = arrived || enemies.GetLineMove(0) == 0;
    }
    EXPECT_TRUE(arrived);
    EXPECT_EQ(enemies.GetY(0), 500);
    Run(1);
    EXPECT_FALSE(enemies.AnyActive());
}

TEST_F(EnemyManagerTest, RecoilDuringTheDescentRunsItsCourse) {
    enemies.Spawn(2, 600);
    Run(60);
    enemies.Damage(0, 10, false);
    for (int64_t update = 1; update <= 22; ++update) {
        ASSERT_FALSE(enemies.HitTest(0, 600, enemies.GetX(0), enemies.GetY(0), 30))
            << "update " << update;
        Run(1);
        ASSERT_EQ(enemies.GetState(0), update < 22 ? kRockRecoil : kRockStand)
            << "update " << update;
    }
    EXPECT_EQ(enemies.GetLineMove(0), 0);
    EXPECT_EQ(enemies.GetX(0), 994) << "one slide before the descent took over";
    EXPECT_EQ(enemies.GetY(0), 600);
    EXPECT_EQ(enemies.GetLife(0), 90);
    EXPECT_TRUE(enemies.HitTest(0, 600, 994, 600, 30));
}

TEST_F(EnemyManagerTest, FieldOfBrokenRocksEmpties) {
    // Blows on rocks descending, standing and changing lines.
    enemies.Spawn(1, 500);
    Run(10);
    enemies.Spawn(3, 700);
    Run(25);
    enemies.Damage(0, 100, true);
    Run(70);
    ASSERT_FALSE(enemies.IsActive(0));
    enemies.Damage(1, 120, false);
    enemies.Spawn(2, 600);  // takes the freed slot 0
    Run(67 + 32, 100, 800);
    ASSERT_FALSE(enemies.IsActive(1));
    ASSERT_EQ(enemies.GetLineMove(0), 2);
    Run(10);
    enemies.Damage(0, 99, true);
    for (int64_t update = 1; update <= 61; ++update) {
        Run(1);
        ASSERT_TRUE(enemies.AnyActive()) << "update " << update;
    }
    Run(1);
    EXPECT_FALSE(enemies.AnyActive());
}

}  // namespace
}  // namespace morva
