#include "Bindings.h"

#include <algorithm>
#include <cctype>

namespace plumo {
namespace {

template <typename Source>
struct Row {
    Source source;
    int bit;
};

using Pad = PadInput::Kind;

// Buttons 3 to 5 have no role in the game.
constexpr Row<SDL_Scancode> kDefaultKeys[] = {
    {SDL_SCANCODE_SPACE, kJump},
    {SDL_SCANCODE_LSHIFT, kDash},
    {SDL_SCANCODE_X, kDash},
    {SDL_SCANCODE_K, kDash},
    {SDL_SCANCODE_Z, kAttack},
    {SDL_SCANCODE_J, kAttack},
    {SDL_SCANCODE_C, 3},
    {SDL_SCANCODE_L, 3},
    {SDL_SCANCODE_V, 4},
    {SDL_SCANCODE_B, 5},
    {SDL_SCANCODE_LEFT, kLeft},
    {SDL_SCANCODE_A, kLeft},
    {SDL_SCANCODE_RIGHT, kRight},
    {SDL_SCANCODE_D, kRight},
    {SDL_SCANCODE_UP, kUp},
    {SDL_SCANCODE_W, kUp},
    {SDL_SCANCODE_DOWN, kDown},
    {SDL_SCANCODE_S, kDown},
    {SDL_SCANCODE_ESCAPE, kPauseBit},
    {SDL_SCANCODE_P, kPauseBit},
};

constexpr Row<PadInput> kDefaultPad[] = {
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_A}, kJump},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_B}, kDash},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_X}, kAttack},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_Y}, 3},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_LEFTSHOULDER}, 4},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER}, 5},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_DPAD_LEFT}, kLeft},
    {{Pad::kAxisNegative, SDL_CONTROLLER_AXIS_LEFTX}, kLeft},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_DPAD_RIGHT}, kRight},
    {{Pad::kAxisPositive, SDL_CONTROLLER_AXIS_LEFTX}, kRight},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_DPAD_UP}, kUp},
    {{Pad::kAxisNegative, SDL_CONTROLLER_AXIS_LEFTY}, kUp},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_DPAD_DOWN}, kDown},
    {{Pad::kAxisPositive, SDL_CONTROLLER_AXIS_LEFTY}, kDown},
    {{Pad::kButton, SDL_CONTROLLER_BUTTON_START}, kPauseBit},
};

// Each source once, each bound to an action; Space to jump.
template <typename Source, size_t kCount>
constexpr bool WellFormed(const Row<Source> (&rows)[kCount]) {
    for (size_t i = 0; i < kCount; ++i) {
        if (ActionOf(rows[i].bit) == kActionCount) {
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (rows[j].source == rows[i].source) {
                return false;
            }
        }
    }
    return true;
}
static_assert(WellFormed(kDefaultKeys));
static_assert(WellFormed(kDefaultPad));
static_assert(kDefaultKeys[0].source == kSpaceKey && kDefaultKeys[0].bit == kJump);

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

Bindings Bindings::Defaults() {
    Bindings bindings;
    for (const Row<SDL_Scancode>& row : kDefaultKeys) {
        bindings.keys[ActionOf(row.bit)].push_back(row.source);
    }
    for (const Row<PadInput>& row : kDefaultPad) {
        bindings.pad[ActionOf(row.bit)].push_back(row.source);
    }
    return bindings;
}

std::string KeyName(SDL_Scancode key) {
    if (key == SDL_SCANCODE_COMMA) {
        return "Comma";
    }
    const char* name = SDL_GetScancodeName(key);
    return name != nullptr ? name : "";
}

std::optional<SDL_Scancode> ParseKey(std::string_view name) {
    const std::string lower = Lower(name);
    if (lower == "comma") {
        return SDL_SCANCODE_COMMA;
    }
    // SDL compares names without regard to case.
    const SDL_Scancode key = SDL_GetScancodeFromName(lower.c_str());
    if (key == SDL_SCANCODE_UNKNOWN || lower.empty()) {
        return std::nullopt;
    }
    return key;
}

std::string PadInputName(PadInput input) {
    if (input.kind == Pad::kButton) {
        const char* name = SDL_GameControllerGetStringForButton(
            static_cast<SDL_GameControllerButton>(input.index));
        return name != nullptr ? name : "";
    }
    const char* name =
        SDL_GameControllerGetStringForAxis(static_cast<SDL_GameControllerAxis>(input.index));
    return std::string(name != nullptr ? name : "") +
           (input.kind == Pad::kAxisNegative ? "-" : "+");
}

// Axes take a direction: "leftx-", "lefty+"; a trigger may leave out its "+".
std::optional<PadInput> ParsePadInput(std::string_view name) {
    std::string lower = Lower(name);
    if (lower.empty()) {
        return std::nullopt;
    }
    const char sign = lower.back();
    if (sign != '-' && sign != '+') {
        const SDL_GameControllerButton button =
            SDL_GameControllerGetButtonFromString(lower.c_str());
        if (button != SDL_CONTROLLER_BUTTON_INVALID) {
            return PadInput{Pad::kButton, button};
        }
    } else {
        lower.pop_back();
    }
    const SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(lower.c_str());
    if (axis == SDL_CONTROLLER_AXIS_INVALID || lower.empty()) {
        return std::nullopt;
    }
    const bool trigger =
        axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
    if (sign == '-' && trigger) {
        return std::nullopt;  // triggers only pull one way
    }
    if (sign != '-' && sign != '+' && !trigger) {
        return std::nullopt;  // a stick needs its direction
    }
    return PadInput{sign == '-' ? Pad::kAxisNegative : Pad::kAxisPositive, axis};
}

bool IsWindowKey(SDL_Scancode key) {
    return key == SDL_SCANCODE_F11 || key == SDL_SCANCODE_F12;
}

namespace {

std::string_view NameOf(size_t action) {
    return kActions[action].name;
}

template <typename Source, typename Name>
Rebound Take(std::array<std::vector<Source>, kActionCount>& lists, size_t action, Source source,
             bool add, Name name, std::vector<Source> kept) {
    std::vector<Source>& list = lists[action];
    const std::string shown = name(source);
    if (add && std::find(list.begin(), list.end(), source) != list.end()) {
        return {shown + " is already " + std::string(NameOf(action)), false};
    }
    std::string notice = shown + " is now " + std::string(NameOf(action));
    for (size_t other = 0; other < kActionCount; ++other) {
        std::vector<Source>& theirs = lists[other];
        if (other != action && std::erase(theirs, source) != 0) {
            notice = shown + " was " + std::string(NameOf(other)) + "; now " +
                     std::string(NameOf(action));
            if (theirs.empty()) {
                notice += "; " + std::string(NameOf(other)) + " has none left";
            }
        }
    }
    if (!add) {
        list = std::move(kept);
    }
    if (std::find(list.begin(), list.end(), source) == list.end()) {
        list.push_back(source);
    }
    return {notice, true};
}

template <typename Source, typename Name>
Rebound RemoveLast(std::vector<Source>& list, size_t action, std::string_view kind, Name name,
                   size_t keep) {
    if (list.size() <= keep) {
        return {keep > 0 ? "Space always jumps"
                         : std::string(NameOf(action)) + " has no " + std::string(kind),
                false};
    }
    const std::string shown = name(list.back());
    list.pop_back();
    return {shown + " is no longer " + std::string(NameOf(action)), true};
}

}  // namespace

Rebound Bind(Bindings& bindings, size_t action, SDL_Scancode key, bool add) {
    if (IsWindowKey(key)) {
        return {KeyName(key) + " belongs to the window", false};
    }
    const bool jump = kActions[action].bit == kJump;
    if (key == kSpaceKey && !jump) {
        return {"Space always jumps", false};
    }
    // Replacing jump's keys keeps Space.
    std::vector<SDL_Scancode> kept;
    if (jump) {
        kept.push_back(kSpaceKey);
    }
    return Take(bindings.keys, action, key, add, KeyName, std::move(kept));
}

Rebound Bind(Bindings& bindings, size_t action, PadInput input, bool add) {
    return Take(bindings.pad, action, input, add, PadInputName, {});
}

Rebound RemoveLastKey(Bindings& bindings, size_t action) {
    const bool jump = kActions[action].bit == kJump;
    return RemoveLast(bindings.keys[action], action, "keys", KeyName, jump ? 1 : 0);
}

Rebound RemoveLastPadInput(Bindings& bindings, size_t action) {
    return RemoveLast(bindings.pad[action], action, "controller inputs", PadInputName, 0);
}

}  // namespace plumo
