// Button flags from the library's hold counts, frame by frame.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "FakeLibrary.h"
#include "frame/input/InputState.h"

namespace morva {
namespace {

// The jump button's counts, one a frame from Init on, and its flags in each
// frame as "<count>:<h held><p pushed><r released>" ("-" for none).
TEST(InputState, FlagsFollowTheHoldCountsFrameByFrame) {
    const char* const kCases[] = {
        "0:- 1:hp 2:h 3:h 0:r 0:-",  // held for frames: one push, one release
        "1:hp 2:h 3:h 1:hpr 2:h",    // many to one: a push and a release at once
        "0:- 2:h 3:h 0:r",           // a count jumping by more than one is never a push
        "1:hp 2:h 3:h 4:h 2:hr",     // a drop that stays down releases without a push
        "5:h",                       // the first update after Init never releases
        "3:h 0:r 0:-",  // a new scene reads the same counts again without an Act between
    };
    for (const char* c : kCases) {
        SCOPED_TRACE(c);
        fake::FakeLibrary library;
        InputState input;
        input.Init();
        std::istringstream frames(c);
        for (std::string frame; frames >> frame;) {
            library.pad[0] = std::stoll(frame);
            input.Update();
            const std::string flags = std::string(input.HeldJump() ? "h" : "") +
                                      (input.PushedJump() ? "p" : "") +
                                      (input.ReleasedJump() ? "r" : "");
            // Later frames depend on this one.
            ASSERT_EQ(frame.substr(frame.find(':') + 1), flags.empty() ? "-" : flags);
        }
    }
}

// A push and a release of each button show in its own queries and no other.
TEST(InputState, EachQueryReadsItsOwnButtonAndNoOther) {
    using I = InputState;
#define QUERY(name) std::pair<const char*, bool (I::*)() const>(#name, &I::name)
    const std::pair<const char*, bool (I::*)() const> kQueries[] = {
        QUERY(PushedUp),     QUERY(HeldUp),       QUERY(ReleasedUp),   QUERY(PushedDown),
        QUERY(HeldDown),     QUERY(ReleasedDown), QUERY(PushedLeft),   QUERY(HeldLeft),
        QUERY(ReleasedLeft), QUERY(PushedRight),  QUERY(HeldRight),    QUERY(ReleasedRight),
        QUERY(PushedJump),   QUERY(HeldJump),     QUERY(ReleasedJump), QUERY(PushedDash),
        QUERY(HeldDash),     QUERY(ReleasedDash), QUERY(PushedAttack), QUERY(HeldAttack),
        QUERY(HeldButton3),  QUERY(HeldButton4),  QUERY(HeldButton5)};
#undef QUERY
    // Button: the queries true in the frame of its push / of its release.
    const std::map<int64_t, std::string> kExpected = {
        {14, "PushedUp HeldUp / ReleasedUp "},
        {15, "PushedDown HeldDown / ReleasedDown "},
        {12, "PushedLeft HeldLeft / ReleasedLeft "},
        {13, "PushedRight HeldRight / ReleasedRight "},
        {0, "PushedJump HeldJump / ReleasedJump "},
        {1, "PushedDash HeldDash / ReleasedDash "},
        {2, "PushedAttack HeldAttack / "},
        {3, "HeldButton3 / "},
        {4, "HeldButton4 / "},
        {5, "HeldButton5 / "}};
    for (int64_t button = 0; button < 16; ++button) {
        fake::FakeLibrary library;
        InputState input;
        input.Init();
        std::string seen;
        for (int64_t count : {1, 0}) {
            library.pad[button] = count;
            input.Update();
            for (const auto& [name, query] : kQueries) {
                seen += (input.*query)() ? std::string(name) + " " : "";
            }
            seen += count == 1 ? "/ " : "";
        }
        const auto expected = kExpected.find(button);
        EXPECT_EQ(seen, expected != kExpected.end() ? expected->second : "/ ")
            << "button " << button;
    }
}

}  // namespace
}  // namespace morva
