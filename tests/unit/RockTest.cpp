#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>

#include "FakeLibrary.h"
#include "game/EnemyAi.h"
#include "game/EnemyManager.h"

namespace morva {
namespace {

constexpr auto L = Facing::Left, R = Facing::Right;
constexpr auto kNone = LineMove::None, kUp = LineMove::Up, kDown = LineMove::Down;

// Steps run in order on one AI, each on what its slot saw and decided before.
TEST(EnemyAiUnit, DecisionsPerSlotInOrder) {
    struct Step {  // what the slot sees; then its dir, walk, line move and latch
        int64_t slot, playerX, playerLineY, selfX, selfLineY;
        std::tuple<Facing, bool, LineMove, bool> expected;
        const char* what;
    };
    const Step steps[] = {
        {0, 200, 400, 1000, 800, {L, false, kUp, false}, "far below the player: up"},
        {0,
         800,
         400,
         1000,
         700,
         {L, true, kUp, true},
         "near on another line: picks left, still up"},
        {0, 1200, 400, 1000, 600, {L, true, kUp, true}, "player crossed over: side kept"},
        {0, 900, 500, 1000, 500, {L, true, kNone, false}, "same line: latch released"},
        {0, 1200, 400, 1000, 500, {R, true, kNone, true}, "near again: new side, no line change"},
        {0, 1300, 600, 1000, 500, {R, true, kNone, true}, "latched: nothing changes"},
        {0, 400, 600, 1000, 500, {R, true, kDown, true}, "far: down, latch stays"},
        {1, 1100, 600, 1000, 600, {R, true, kNone, false}, "same line, player right"},
        {1, 0, 400, 1000, 500, {R, true, kUp, false}, "far up: facing and walk kept"},
        {1, 1000, 600, 1000, 600, {L, true, kNone, false}, "same line, equal x: faces left"},
        {2, 1600, 700, 1000, 500, {L, false, kDown, false}, "fresh slot far above: stands"},
        {3, 1501, 700, 1000, 500, {L, false, kDown, false}, "501 away is far"},
        {4, 1500, 700, 1000, 500, {R, true, kNone, true}, "500 to the right is near"},
        {5, 500, 700, 1000, 500, {L, true, kNone, true}, "500 to the left is near"},
    };
    fake::FakeLibrary library;
    EnemyAi ai;
    ai.Init(6);
    for (const Step& s : steps) {
        ai.SeePlayer(static_cast<double>(s.playerX), s.playerLineY, s.slot);
        ai.SeeSelf(static_cast<double>(s.selfX), s.selfLineY, s.slot);
        ai.Think(s.slot);
        ASSERT_EQ(std::tuple(ai.GetDir(s.slot), ai.GetWalk(s.slot), ai.GetLineMove(s.slot),
                             ai.IsLatched(s.slot)),
                  s.expected)
            << "slot " << s.slot << ": " << s.what;
    }
}

constexpr std::array<int64_t, 5> kLines = {400, 500, 600, 700, 800};
constexpr double kFar = -5000.0;  // a player x no rock reaches

class RockUnit : public ::testing::Test {
protected:
    RockUnit() { Restart(); }
    void Restart() {
        enemies = EnemyManager{};
        enemies.Init();
        enemies.SetLineCount(5);
        for (std::size_t i = 0; i < kLines.size(); ++i) {
            enemies.SetLineY(static_cast<int64_t>(i), kLines[i]);
        }
        enemies.Load(0, 0, 1600, 900);
    }
    void Spawn(int64_t line) { enemies.Spawn(line, kLines.at(static_cast<std::size_t>(line))); }
    void Run(int64_t updates, double playerX = kFar, int64_t playerLineY = 400) {
        for (int64_t i = 0; i < updates; ++i) {
            enemies.Update(playerX, playerLineY);
        }
    }
    const Rock& Slot0() const { return enemies.GetRock(0); }
    std::tuple<double, double, RockState, LineMove> Where() const {
        return {Slot0().body.GetX(), Slot0().body.GetY(), Slot0().state, Slot0().lineMove};
    }
    std::vector<fake::DrawCall> DrawLine(const char* file, int64_t lineY) {
        library.draws.clear();
        enemies.DrawLine(0, 0, lineY);
        return library.DrawsOf(file);
    }

    fake::FakeLibrary library;
    EnemyManager enemies;
};

TEST_F(RockUnit, SeventhSpawnIsRefused) {
    for (int64_t i = 0; i < 7; ++i) {
        Spawn(i < 6 ? 1 : 3);
    }
    for (int64_t slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(enemies.GetRock(slot).targetLineY, 500) << "slot " << slot;
    }
}

TEST_F(RockUnit, HitOnlyOnItsTargetLineByAStrictlyOverlappingCircle) {
    Spawn(2);
    Run(10);  // sinking at y 430, already counted on line 600
    EXPECT_TRUE(enemies.HitTest(0, 600, 1000, 430, 30));
    EXPECT_FALSE(enemies.HitTest(0, 400, 1000, 430, 30));
    Run(57);
    ASSERT_EQ(Where(), std::tuple(1000.0, 600.0, RockState::Stand, kNone)) << "arrived in 67";
    // {slot, line y, x, y, hit}; radii 50 + 30.
    const std::tuple<int64_t, int64_t, double, double, bool> probes[] = {
        {0, 600, 1000, 600, true},   {0, 500, 1000, 600, false}, {0, 600, 1048, 664, false},
        {0, 600, 1047.9, 664, true}, {1, 600, 1000, 600, false},
    };
    for (const auto& [slot, lineY, x, y, hit] : probes) {
        EXPECT_EQ(enemies.HitTest(slot, lineY, x, y, 30), hit) << "slot " << slot << " at " << x;
    }
}

// Far from the player, a rock changes lines one at a time towards its line.
// Near it on another line, the rock keeps its last order; with no line
// beyond, it dips for an update and is snapped back.
TEST_F(RockUnit, SentPastAnEndLineDipsAndSnapsBack) {
    for (const auto& [playerLineY, endY, order] :
         {std::tuple(800, 800.0, kDown), std::tuple(400, 400.0, kUp)}) {
        SCOPED_TRACE(::testing::Message() << "to " << endY);
        Restart();
        Spawn(2);
        Run(67 + 32 + 34, 100, playerLineY);  // sinks, thinks, one line on
        ASSERT_EQ(Where(), std::tuple(1000.0, (600.0 + endY) / 2, RockState::Stand, kNone));
        Run(32 + 34, 100, playerLineY);
        ASSERT_EQ(Where(), std::tuple(1000.0, endY, RockState::Stand, kNone));
        const int64_t nearLineY = (600 + playerLineY) / 2;
        Run(32, 900, nearLineY);
        EXPECT_EQ(Where(), std::tuple(997.0, endY, RockState::Walk, order));
        EXPECT_EQ(Slot0().targetLineY, endY);
        Run(1, 900, nearLineY);
        EXPECT_EQ(Where(), std::tuple(997.0, endY, RockState::Stand, kNone));
    }
}

// Life goes down to 0 at most and one left breaks the rock. The recoil ends
// in the 22nd update, the break frees the slot in the 62nd; no blow lands
// meanwhile, even on a rock still sinking.
TEST_F(RockUnit, StruckRockRunsItsCourseWithoutBeingHitAgain) {
    struct Blow {
        int64_t line, before, damage;
        bool pushRight;
        int64_t life, updates;
        double endX, endY;
    };
    for (const Blow& b :
         {Blow{2, 67, 10, true, 90, 22, 1056.7, 600}, Blow{2, 67, 98, false, 2, 22, 943.3, 600},
          Blow{2, 67, 99, false, 1, 61, 943.3, 656.7}, Blow{1, 20, 250, true, 0, 61, 1006, 500}}) {
        SCOPED_TRACE(::testing::Message() << "damage " << b.damage);
        Restart();
        Spawn(b.line);
        Run(b.before);
        const int64_t lineY = Slot0().targetLineY;
        const auto hit = [&] {
            return enemies.HitTest(0, lineY, Slot0().body.GetX(), Slot0().body.GetY(), 30);
        };
        ASSERT_TRUE(hit());
        enemies.Damage(0, b.damage, b.pushRight);
        EXPECT_EQ(Slot0().life, b.life);
        for (int64_t update = 1; update <= b.updates; ++update) {
            ASSERT_FALSE(hit()) << "before update " << update;
            Run(1);
        }
        EXPECT_NEAR(Slot0().body.GetX(), b.endX, 1e-9);
        EXPECT_NEAR(Slot0().body.GetY(), b.endY, 1e-9);
        const bool breaks = b.life <= 1;
        EXPECT_EQ(hit(), !breaks) << "struck again once the recoil is over";
        EXPECT_EQ(DrawLine("rock_enemy.zqtex", lineY).size(), 1u) << "drawn to the last";
        Run(1);
        EXPECT_EQ(enemies.AnyActive(), !breaks);
    }
}

TEST_F(RockUnit, AReusedSlotKeepsTheLastRocksFacing) {
    Spawn(2);
    EXPECT_EQ(DrawLine("rock_enemy.zqtex", 600).at(0).Src()[2], -256.0) << "right: mirrored";
    Run(67 + 32, 0, 600);  // its first thought turns it left, towards the player
    enemies.Damage(0, 100, true);
    Run(62);
    Spawn(1);
    EXPECT_EQ(DrawLine("rock_enemy.zqtex", 500).at(0).Src()[2], 256.0) << "a new rock, facing left";
}

}  // namespace
}  // namespace morva
