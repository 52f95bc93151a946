// Button flags from the library's hold counts, frame by frame.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeLibrary.h"
#include "frame/input/InputState.h"

namespace morva {
namespace {

constexpr int64_t kJumpButton = 0;
constexpr int64_t kUpButton = 14;

struct Flags {
    bool held;
    bool pushed;
    bool released;

    bool operator==(const Flags&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Flags& flags) {
    return out << "held " << flags.held << " pushed " << flags.pushed << " released "
               << flags.released;
}

Flags JumpFlags(const InputState& input) {
    return {input.HeldJump(), input.PushedJump(), input.ReleasedJump()};
}

struct Frame {
    int64_t count;  // the jump button's hold count this frame
    Flags expected;
};

// Feeds one count per frame and checks every frame's flags; later frames
// depend on the earlier ones, so the first wrong frame stops the run.
void ExpectJumpFrames(const std::vector<Frame>& frames) {
    fake::FakeLibrary library;
    InputState input;
    input.Init();
    for (std::size_t n = 0; n < frames.size(); ++n) {
        library.pad[kJumpButton] = frames[n].count;
        input.Update();
        ASSERT_EQ(JumpFlags(input), frames[n].expected)
            << "frame " << n << ", count " << frames[n].count;
    }
}

constexpr Flags kUp{false, false, false};
constexpr Flags kPushed{true, true, false};
constexpr Flags kHeld{true, false, false};
constexpr Flags kReleased{false, false, true};

TEST(InputState, AButtonHeldForFramesIsPushedOnceAndReleasedOnItsFirstDrop) {
    ExpectJumpFrames({{0, kUp}, {1, kPushed}, {2, kHeld}, {3, kHeld}, {0, kReleased}, {0, kUp}});
}

TEST(InputState, DroppingFromManyToOneIsAPushAndAReleaseInOneFrame) {
    ExpectJumpFrames({{1, kPushed}, {2, kHeld}, {3, kHeld}, {1, {true, true, true}}, {2, kHeld}});
}

TEST(InputState, ACountThatJumpsByMoreThanOneIsNeverAPush) {
    ExpectJumpFrames({{0, kUp}, {2, kHeld}, {3, kHeld}, {0, kReleased}});
}

TEST(InputState, ADropThatStaysDownIsAReleaseWithoutAPush) {
    ExpectJumpFrames({{1, kPushed}, {2, kHeld}, {3, kHeld}, {4, kHeld}, {2, {true, false, true}}});
}

TEST(InputState, TheFirstUpdateAfterInitNeverReleases) {
    fake::FakeLibrary library;
    library.pad[kUpButton] = 5;
    library.pad[kJumpButton] = 1;
    InputState input;
    input.Init();

    input.Update();

    EXPECT_TRUE(input.HeldUp());
    EXPECT_FALSE(input.PushedUp()) << "already held for several frames";
    EXPECT_FALSE(input.ReleasedUp());
    EXPECT_EQ(JumpFlags(input), kPushed);
}

TEST(InputState, ReadingTheSameCountsAgainAtASceneChangeSeesNoRelease) {
    fake::FakeLibrary library;
    InputState input;
    input.Init();
    library.pad[kJumpButton] = 3;
    input.Update();
    library.pad[kJumpButton] = 0;
    input.Update();
    ASSERT_TRUE(input.ReleasedJump());

    // The next scene starts without an Act in between.
    input.Update();

    EXPECT_EQ(JumpFlags(input), kUp);
}

struct SlotQueries {
    int64_t button;
    std::string role;
    std::function<bool(const InputState&)> pushed;  // empty: no such query
    std::function<bool(const InputState&)> held;
    std::function<bool(const InputState&)> released;
};

// Every query of every slot, by the library button it must read.
std::vector<SlotQueries> AllSlots() {
    using I = InputState;
    return {
        {14, "up", &I::PushedUp, &I::HeldUp, &I::ReleasedUp},
        {15, "down", &I::PushedDown, &I::HeldDown, &I::ReleasedDown},
        {12, "left", &I::PushedLeft, &I::HeldLeft, &I::ReleasedLeft},
        {13, "right", &I::PushedRight, &I::HeldRight, &I::ReleasedRight},
        {0, "jump", &I::PushedJump, &I::HeldJump, &I::ReleasedJump},
        {1, "dash", &I::PushedDash, &I::HeldDash, &I::ReleasedDash},
        {2, "attack", &I::PushedAttack, &I::HeldAttack, nullptr},
        {3, "button 3", nullptr, &I::HeldButton3, nullptr},
        {4, "button 4", nullptr, &I::HeldButton4, nullptr},
        {5, "button 5", nullptr, &I::HeldButton5, nullptr},
    };
}

int CountTrue(const InputState& input, std::function<bool(const InputState&)> SlotQueries::*query) {
    int count = 0;
    for (const SlotQueries& slot : AllSlots()) {
        if (slot.*query && (slot.*query)(input)) {
            ++count;
        }
    }
    return count;
}

TEST(InputState, EachQueryReadsItsOwnButtonAndNoOther) {
    for (const SlotQueries& slot : AllSlots()) {
        SCOPED_TRACE(slot.role);
        fake::FakeLibrary library;
        InputState input;
        input.Init();

        library.pad[slot.button] = 1;
        input.Update();
        EXPECT_TRUE(slot.held(input));
        EXPECT_EQ(CountTrue(input, &SlotQueries::held), 1);
        if (slot.pushed) {
            EXPECT_TRUE(slot.pushed(input));
        }
        EXPECT_EQ(CountTrue(input, &SlotQueries::pushed), slot.pushed ? 1 : 0);

        library.pad[slot.button] = 0;
        input.Update();
        if (slot.released) {
            EXPECT_TRUE(slot.released(input));
        }
        EXPECT_EQ(CountTrue(input, &SlotQueries::released), slot.released ? 1 : 0);
    }
}

TEST(InputState, ButtonsTheGameDoesNotWatchChangeNothing) {
    fake::FakeLibrary library;
    InputState input;
    input.Init();
    for (int64_t button = 6; button <= 11; ++button) {
        library.pad[button] = 1;
    }

    input.Update();

    EXPECT_EQ(CountTrue(input, &SlotQueries::held), 0);
    EXPECT_EQ(CountTrue(input, &SlotQueries::pushed), 0);
}

}  // namespace
}  // namespace morva
