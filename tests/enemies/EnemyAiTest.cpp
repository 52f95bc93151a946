#include "actors/EnemyAi.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

#include "FakeLibrary.h"

namespace morva {
namespace {

struct Thought {
    int64_t dir;
    int64_t walk;
    int64_t lineMove;
    bool latched;
    bool operator==(const Thought&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Thought& t) {
    return out << "{dir " << t.dir << ", walk " << t.walk << ", lineMove " << t.lineMove
               << ", latched " << t.latched << "}";
}

struct Sight {
    double playerX;
    int64_t playerLineY;
    double selfX;
    int64_t selfLineY;
};

class EnemyAiTest : public ::testing::Test {
protected:
    void SetUp() override { ai.Init(6); }

    Thought Think(const Sight& sight, int64_t slot = 0) {
        ai.SeePlayer(sight.playerX, sight.playerLineY, slot);
        ai.SeeSelf(sight.selfX, sight.selfLineY, slot);
        ai.Think(slot);
        return {ai.GetDir(slot), ai.GetWalk(slot), ai.GetLineMove(slot), ai.IsLatched(slot)};
    }

    fake::FakeLibrary library;
    EnemyAi ai;
};

TEST_F(EnemyAiTest, SameLineTurnsToThePlayerAndWalks) {
    EXPECT_EQ(Think({900, 600, 1000, 600}), (Thought{0, 1, 0, false}));
    EXPECT_EQ(Think({1100, 600, 1000, 600}), (Thought{1, 1, 0, false}));
    EXPECT_EQ(Think({1000, 600, 1000, 600}), (Thought{0, 1, 0, false})) << "equal x faces left";
}

TEST_F(EnemyAiTest, FarOnAnotherLineOnlyChangesLineTowardsThePlayer) {
    // A fresh slot keeps standing while it changes lines.
    EXPECT_EQ(Think({200, 500, 1000, 700}), (Thought{0, 0, 1, false}));
    EXPECT_EQ(Think({1600, 700, 1000, 500}), (Thought{0, 0, 2, false}));
    EXPECT_EQ(Think({1501, 700, 1000, 500}), (Thought{0, 0, 2, false}));

    Think({1100, 500, 1000, 500}, 1);
    EXPECT_EQ(Think({0, 400, 1000, 500}, 1), (Thought{1, 1, 1, false})) << "facing and walk kept";
}

TEST_F(EnemyAiTest, ExactlyFiveHundredAwayIsNear) {
    EXPECT_EQ(Think({1500, 700, 1000, 500}, 0), (Thought{1, 1, 0, true}));
    EXPECT_EQ(Think({500, 700, 1000, 500}, 1), (Thought{0, 1, 0, true}));
}

TEST_F(EnemyAiTest, SlotsThinkApartAndABadSlotFails) {
    Think({1600, 700, 1000, 500}, 2);
    EXPECT_EQ(ai.GetLineMove(2), 2);
    EXPECT_EQ(ai.GetLineMove(3), 0);
    EXPECT_THROW(ai.Think(6), std::out_of_range);
}

TEST_F(EnemyAiTest, LatchHoldsTheSideAndTheLastLineChangeRepeats) {
    struct Step {
        Sight sight;
        Thought expected;
        const char* what;
    };
    const Step steps[] = {
        {{200, 400, 1000, 800}, {0, 0, 1, false}, "far below the player: up"},
        {{800, 400, 1000, 700}, {0, 1, 1, true}, "near on another line: picks left, still up"},
        {{1200, 400, 1000, 600}, {0, 1, 1, true}, "player crossed over: side kept, up again"},
        {{900, 500, 1000, 500}, {0, 1, 0, false}, "same line: stop changing, latch released"},
        {{1200, 400, 1000, 500}, {1, 1, 0, true}, "near again: new side, no line change"},
        {{1300, 600, 1000, 500}, {1, 1, 0, true}, "latched: nothing changes"},
        {{400, 600, 1000, 500}, {1, 1, 2, true}, "far: down, latch stays"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_EQ(Think(step.sight), step.expected);
    }
}

}  // namespace
}  // namespace morva
