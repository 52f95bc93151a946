#include "actors/EnemyAi.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "FakeLibrary.h"

namespace morva {
namespace {

// One thought of a slot: what it sees, then {dir, walk, lineMove, latched}.
struct Step {
    int64_t slot, playerX, playerLineY, selfX, selfLineY;
    std::array<int64_t, 4> expected;
    const char* what;
};

// Steps run in order on one AI; each depends on the slot's earlier steps. Slot 0
// shows the latch and the repeated line change, the others the edges of each branch.
TEST(EnemyAiTest, ThoughtsPerSlot) {
    const Step steps[] = {
        {0, 200, 400, 1000, 800, {0, 0, 1, 0}, "far below the player: up"},
        {0, 800, 400, 1000, 700, {0, 1, 1, 1}, "near on another line: picks left, still up"},
        {0, 1200, 400, 1000, 600, {0, 1, 1, 1}, "player crossed over: side kept, up again"},
        {0, 900, 500, 1000, 500, {0, 1, 0, 0}, "same line: stop changing, latch released"},
        {0, 1200, 400, 1000, 500, {1, 1, 0, 1}, "near again: new side, no line change"},
        {0, 1300, 600, 1000, 500, {1, 1, 0, 1}, "latched: nothing changes"},
        {0, 400, 600, 1000, 500, {1, 1, 2, 1}, "far: down, latch stays"},
        {1, 900, 600, 1000, 600, {0, 1, 0, 0}, "same line, player left: walks left"},
        {1, 1100, 600, 1000, 600, {1, 1, 0, 0}, "same line, player right: walks right"},
        {1, 0, 400, 1000, 500, {1, 1, 1, 0}, "far up: facing and walk kept"},
        {1, 1000, 600, 1000, 600, {0, 1, 0, 0}, "same line, equal x: faces left"},
        {2, 200, 500, 1000, 700, {0, 0, 1, 0}, "fresh slot far below: stands, goes up"},
        {3, 1600, 700, 1000, 500, {0, 0, 2, 0}, "far above: goes down"},
        {3, 1501, 700, 1000, 500, {0, 0, 2, 0}, "501 away is far"},
        {4, 1500, 700, 1000, 500, {1, 1, 0, 1}, "500 to the right is near"},
        {5, 500, 700, 1000, 500, {0, 1, 0, 1}, "500 to the left is near"},
    };
    fake::FakeLibrary library;
    EnemyAi ai;
    ai.Init(6);
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::Message() << "slot " << s.slot << ": " << s.what);
        ai.SeePlayer(s.playerX, s.playerLineY, s.slot);
        ai.SeeSelf(s.selfX, s.selfLineY, s.slot);
        ai.Think(s.slot);
        ASSERT_EQ((std::array<int64_t, 4>{ai.GetDir(s.slot), ai.GetWalk(s.slot),
                                          ai.GetLineMove(s.slot), ai.IsLatched(s.slot)}),
                  s.expected);
    }
    EXPECT_THROW(ai.Think(6), std::out_of_range);
}

}  // namespace
}  // namespace morva
