// Which keys and controller inputs hold which pad buttons, and which pause the
// game: the defaults, and the names the settings file and the pause panel use.
#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Sdl.h"

#include "Buttons.h"

namespace plumo {

// Pause is no pad button: its bit stands above theirs.
inline constexpr int kPauseBit = kButtonCount;
inline constexpr ButtonMask kPadButtons = Bit(kButtonCount) - 1;
static_assert(kPauseBit < 32, "pause needs a bit of ButtonMask");

// What a key or a controller input can be bound to.
struct Action {
    std::string_view name;     // in the settings file
    int bit;                   // the pad button, or kPauseBit
    std::string_view comment;  // above its line in the settings file
    std::string_view label;    // on the pause panel; "" keeps it off
};

inline constexpr Action kActions[] = {
    {"jump", kJump, "jump; also starts a game and answers \"Push Space Key\"", "JUMP"},
    {"dash", kDash, "dash", "DASH"},
    {"attack", kAttack, "attack (the sword combo)", "ATTACK"},
    {"button3", 3, "pad button 3 (no role in the game)", ""},
    {"button4", 4, "pad button 4 (no role in the game)", ""},
    {"button5", 5, "pad button 5 (no role in the game)", ""},
    {"left", kLeft, "walk left", "LEFT"},
    {"right", kRight, "walk right", "RIGHT"},
    {"up", kUp, "change to the line above", "UP"},
    {"down", kDown, "change to the line below", "DOWN"},
    {"pause", kPauseBit, "pause, and resume", "PAUSE"},
};
inline constexpr size_t kActionCount = std::size(kActions);

// The index in kActions of the action with that bit; kActionCount for none.
constexpr size_t ActionOf(int bit) {
    for (size_t i = 0; i < kActionCount; ++i) {
        if (kActions[i].bit == bit) {
            return i;
        }
    }
    return kActionCount;
}
static_assert(ActionOf(kJump) == 0 && ActionOf(kPauseBit) + 1 == kActionCount);

// The game asks for the Space key by name, so Space always holds jump.
inline constexpr SDL_Scancode kSpaceKey = SDL_SCANCODE_SPACE;

// A controller button, or one direction of a stick or trigger axis.
struct PadInput {
    enum class Kind { kButton, kAxisNegative, kAxisPositive };
    Kind kind;
    int index;  // an SDL_GameControllerButton, or an SDL_GameControllerAxis
    bool operator==(const PadInput&) const = default;
};

struct Bindings {
    // Indexed like kActions.
    std::array<std::vector<SDL_Scancode>, kActionCount> keys;
    std::array<std::vector<PadInput>, kActionCount> pad;

    static Bindings Defaults();
};

// The names the settings file uses, SDL's: "Left Shift", "leftx-"; the comma
// key is "Comma", since commas separate names. Unknown names read as nullopt.
std::string KeyName(SDL_Scancode key);
std::optional<SDL_Scancode> ParseKey(std::string_view name);
std::string PadInputName(PadInput input);
std::optional<PadInput> ParsePadInput(std::string_view name);

// F11 and F12 belong to the window (Alt+Enter leaves Enter free to bind).
bool IsWindowKey(SDL_Scancode key);

}  // namespace plumo
