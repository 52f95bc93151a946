// Changing a control from the pause panel: what moves, what stays, and what the
// player is told.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "Bindings.h"

namespace plumo {
namespace {

using Pad = PadInput::Kind;

enum class Step { kChange, kAdd, kRemove };

struct Case {
    const char* name;
    int bit;  // of the control changed
    Step step;
    std::variant<SDL_Scancode, PadInput> source;  // for kRemove, only its kind counts
    const char* notice;
    const char* changed;  // the controls no longer as by default
};

constexpr PadInput kY{Pad::kButton, SDL_CONTROLLER_BUTTON_Y};
constexpr PadInput kX{Pad::kButton, SDL_CONTROLLER_BUTTON_X};

const Case kCases[] = {
    {"added, moved from another", kDash, Step::kAdd, SDL_SCANCODE_Z, "Z was attack; now dash",
     "dash: Left Shift, X, K, Z | attack: J"},
    {"in place of the others", kDash, Step::kChange, SDL_SCANCODE_Z, "Z was attack; now dash",
     "dash: Z | attack: J"},
    {"one of its own", kAttack, Step::kChange, SDL_SCANCODE_J, "J is now attack", "attack: J"},
    {"added twice", kAttack, Step::kAdd, SDL_SCANCODE_Z, "Z is already attack", ""},
    {"the last of another", kPauseBit, Step::kAdd, SDL_SCANCODE_B,
     "B was button5; now pause; button5 has none left", "button5: none | pause: Escape, P, B"},
    {"Space elsewhere", kDash, Step::kChange, SDL_SCANCODE_SPACE, "Space always jumps", ""},
    {"jump keeps Space", kJump, Step::kChange, SDL_SCANCODE_Q, "Q is now jump", "jump: Space, Q"},
    {"a window key", kLeft, Step::kAdd, SDL_SCANCODE_F11, "F11 belongs to the window", ""},
    {"a controller button", kDash, Step::kChange, kY,
     "y was button3; now dash; button3 has none left", "dash: y | button3: none"},
    {"a stick", kAttack, Step::kAdd, PadInput{Pad::kAxisPositive, SDL_CONTROLLER_AXIS_RIGHTX},
     "rightx+ is now attack", "attack: x, rightx+"},
    {"a key removed", kAttack, Step::kRemove, SDL_SCANCODE_Q, "J is no longer attack", "attack: Z"},
    {"a controller input removed", kAttack, Step::kRemove, kX, "x is no longer attack",
     "attack: none"},
    {"Space never", kJump, Step::kRemove, SDL_SCANCODE_Q, "Space always jumps", ""},
};

// "<name>: <keys or inputs>" of each list that differs from the defaults.
std::string Changed(const Bindings& bindings) {
    const Bindings defaults = Bindings::Defaults();
    std::string changed;
    const auto add = [&](size_t action, const std::string& names) {
        changed += (changed.empty() ? "" : " | ") + std::string(kActions[action].name) + ": " +
                   (names.empty() ? "none" : names);
    };
    for (size_t action = 0; action < kActionCount; ++action) {
        std::string names;
        for (const SDL_Scancode key : bindings.keys[action]) {
            names += (names.empty() ? "" : ", ") + KeyName(key);
        }
        if (bindings.keys[action] != defaults.keys[action]) {
            add(action, names);
        }
        names.clear();
        for (const PadInput input : bindings.pad[action]) {
            names += (names.empty() ? "" : ", ") + PadInputName(input);
        }
        if (bindings.pad[action] != defaults.pad[action]) {
            add(action, names);
        }
    }
    return changed;
}

TEST(Bindings, AnInputHoldsOneControlAndThePlayerIsToldWhatMoved) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Bindings bindings = Bindings::Defaults();
        const size_t action = ActionOf(c.bit);
        const bool pad = std::holds_alternative<PadInput>(c.source);
        const Rebound done =
            c.step == Step::kRemove
                ? (pad ? RemoveLastPadInput(bindings, action) : RemoveLastKey(bindings, action))
                : std::visit(
                      [&](auto source) {
                          return Bind(bindings, action, source, c.step == Step::kAdd);
                      },
                      c.source);
        EXPECT_EQ(done.notice, c.notice);
        EXPECT_EQ(Changed(bindings), c.changed);
        EXPECT_EQ(done.changed, *c.changed != '\0');
    }
    // Once its inputs are gone, there is nothing more to remove.
    Bindings bindings = Bindings::Defaults();
    RemoveLastPadInput(bindings, ActionOf(kAttack));
    EXPECT_EQ(RemoveLastPadInput(bindings, ActionOf(kAttack)).notice,
              "attack has no controller inputs");
}

// The names the settings file takes, read back as the names it writes ("?": refused).
// Sticks need a direction; triggers pull only one way, so "+" is theirs to leave out.
TEST(Bindings, SettingsNamesReadAsTheInputsTheyName) {
    std::string keys, pad;
    for (const char* name : {"Left Shift", "left shift", "Comma", "Space", "", "Blorp"}) {
        const auto key = ParseKey(name);
        keys += (key ? KeyName(*key) : "?") + " ";
    }
    for (const char* name : {"a", "DPUP", "leftx-", "LEFTY+", "leftx", "lefttrigger",
                             "righttrigger+", "lefttrigger-", "dpup+", "-", ""}) {
        const auto input = ParsePadInput(name);
        pad += (input ? PadInputName(*input) : "?") + " ";
    }
    EXPECT_EQ(keys, "Left Shift Left Shift Comma Space ? ? ");
    EXPECT_EQ(pad, "a dpup leftx- lefty+ ? lefttrigger+ righttrigger+ ? ? ? ? ");
}

}  // namespace
}  // namespace plumo
