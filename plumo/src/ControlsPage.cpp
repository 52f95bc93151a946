#include "ControlsPage.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>
#include <utility>
#include <variant>

namespace plumo {
namespace {

// The title's font pixels are three times the text's.
constexpr int kTitleSize = 3;
// Columns, in characters.
constexpr int kKeysAt = 8;
constexpr int kKeysColumn = 22;
constexpr int kPadAt = 32;
constexpr int kPadColumn = 16;

struct ChoiceText {
    std::string_view text;
    int column;
};
// Indexed like Choice.
constexpr ChoiceText kChoices[] = {{"CHANGE", 50}, {"ADD", 58}, {"REMOVE", 63}};
constexpr int kColumns = kChoices[2].column + static_cast<int>(kChoices[2].text.size());
static_assert(kKeysAt + kKeysColumn < kPadAt && kPadAt + kPadColumn < kChoices[0].column);

constexpr std::string_view kTitle = "PAUSED";
constexpr std::string_view kDefaults = "ALL CONTROLS BACK TO THEIR DEFAULTS";
constexpr std::string_view kBack = "BACK TO THE GAME";
constexpr std::string_view kHint = "ARROWS, D-PAD, STICK: CHOOSE    ENTER, SPACE, A: DO IT";
constexpr std::string_view kWaitHint = "ESC OR BACK: CANCEL";
constexpr std::string_view kChangePrompt = "PRESS THE NEW KEY OR BUTTON FOR ";
constexpr std::string_view kAddPrompt = "PRESS A KEY OR BUTTON TO ADD TO ";
constexpr std::string_view kFooter = "F11 OR ALT+ENTER: FULLSCREEN    F12: SCREENSHOT";
static_assert(kDefaults.size() <= kColumns && kHint.size() <= kColumns &&
              kFooter.size() <= kColumns);

// Long enough to read twice.
constexpr uint64_t kNoticeMs = 4000;

constexpr PanelColour kGold{255, 214, 90, 255};
constexpr PanelColour kLabel{150, 200, 255, 255};
constexpr PanelColour kHeading{150, 150, 165, 255};
constexpr PanelColour kText{255, 255, 255, 255};
constexpr PanelColour kFailure{255, 120, 100, 255};

// The controls the panel lists, in their order, then its two entries.
constexpr size_t CountListed() {
    size_t count = 0;
    for (const Action& action : kActions) {
        count += action.label.empty() ? 0 : 1;
    }
    return count;
}
constexpr size_t kListed = CountListed();
constexpr std::array<size_t, kListed> kRowAction = [] {
    std::array<size_t, kListed> rows{};
    size_t row = 0;
    for (size_t action = 0; action < kActionCount; ++action) {
        if (!kActions[action].label.empty()) {
            rows[row++] = action;
        }
    }
    return rows;
}();
constexpr size_t kDefaultsRow = kListed;
constexpr size_t kBackRow = kListed + 1;
constexpr size_t kRowCount = kListed + 2;
static_assert(kRowAction[0] == ActionOf(kJump), "the page opens on jump");

constexpr size_t kPauseAction = ActionOf(kPauseBit);

enum class Direction { kNone, kUp, kDown, kLeft, kRight };

using PadKind = PadInput::Kind;

// Besides whatever is bound to the directions, these always steer the page.
struct Steer {
    SDL_Scancode key;
    PadInput button;
    PadInput stick;
    int bit;
    Direction direction;
};
constexpr Steer kSteers[] = {
    {SDL_SCANCODE_UP,
     {PadKind::kButton, SDL_CONTROLLER_BUTTON_DPAD_UP},
     {PadKind::kAxisNegative, SDL_CONTROLLER_AXIS_LEFTY},
     kUp,
     Direction::kUp},
    {SDL_SCANCODE_DOWN,
     {PadKind::kButton, SDL_CONTROLLER_BUTTON_DPAD_DOWN},
     {PadKind::kAxisPositive, SDL_CONTROLLER_AXIS_LEFTY},
     kDown,
     Direction::kDown},
    {SDL_SCANCODE_LEFT,
     {PadKind::kButton, SDL_CONTROLLER_BUTTON_DPAD_LEFT},
     {PadKind::kAxisNegative, SDL_CONTROLLER_AXIS_LEFTX},
     kLeft,
     Direction::kLeft},
    {SDL_SCANCODE_RIGHT,
     {PadKind::kButton, SDL_CONTROLLER_BUTTON_DPAD_RIGHT},
     {PadKind::kAxisPositive, SDL_CONTROLLER_AXIS_LEFTX},
     kRight,
     Direction::kRight},
};

constexpr SDL_Scancode kConfirmKeys[] = {SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER, kSpaceKey};
constexpr PadInput kConfirmButton{PadKind::kButton, SDL_CONTROLLER_BUTTON_A};
constexpr SDL_Scancode kCancelKey = SDL_SCANCODE_ESCAPE;
constexpr PadInput kCancelButton{PadKind::kButton, SDL_CONTROLLER_BUTTON_BACK};

bool FromPad(const Press& press) {
    return std::holds_alternative<PadInput>(press.source);
}

bool Is(const Press& press, SDL_Scancode key) {
    return !FromPad(press) && std::get<SDL_Scancode>(press.source) == key;
}

bool Is(const Press& press, PadInput input) {
    return FromPad(press) && std::get<PadInput>(press.source) == input;
}

bool Holds(const Bindings& bindings, size_t action, const Press& press) {
    if (FromPad(press)) {
        const std::vector<PadInput>& pad = bindings.pad[action];
        return std::find(pad.begin(), pad.end(), std::get<PadInput>(press.source)) != pad.end();
    }
    const std::vector<SDL_Scancode>& keys = bindings.keys[action];
    return std::find(keys.begin(), keys.end(), std::get<SDL_Scancode>(press.source)) != keys.end();
}

Direction DirectionOf(const Bindings& bindings, const Press& press) {
    for (const Steer& steer : kSteers) {
        if (Is(press, steer.key) || Is(press, steer.button) || Is(press, steer.stick) ||
            Holds(bindings, ActionOf(steer.bit), press)) {
            return steer.direction;
        }
    }
    return Direction::kNone;
}

// Names joined by commas, cut to `width` characters.
template <typename Source, typename Name>
std::string Listed(const std::vector<Source>& sources, Name name, size_t width) {
    std::string text;
    for (const Source& source : sources) {
        text += (text.empty() ? "" : ", ") + name(source);
    }
    if (text.empty()) {
        return "-";
    }
    return text.size() <= width ? text : text.substr(0, width - 3) + "...";
}

std::string Cut(std::string text) {
    if (text.size() > kColumns) {
        text.resize(kColumns - 3);
        text += "...";
    }
    return text;
}

}  // namespace

int ControlsPage::Columns() {
    return kColumns;
}

ControlsPage::Outcome ControlsPage::Handle(const Press& press, uint64_t nowMs) {
    if (waiting) {
        return press.repeat ? Outcome::kNothing : Take(press, nowMs);
    }
    if (!press.repeat && Holds(bindings, kPauseAction, press)) {
        return Outcome::kResume;
    }
    constexpr size_t kChoiceCount = std::size(kChoices);
    const auto step = [](auto value, size_t count, size_t by) {
        return static_cast<decltype(value)>((static_cast<size_t>(value) + by) % count);
    };
    switch (DirectionOf(bindings, press)) {
        case Direction::kUp:
            row = step(row, kRowCount, kRowCount - 1);
            return Outcome::kRedraw;
        case Direction::kDown:
            row = step(row, kRowCount, 1);
            return Outcome::kRedraw;
        case Direction::kLeft:
        case Direction::kRight:
            if (row >= kListed) {
                return Outcome::kNothing;
            }
            choice = step(choice, kChoiceCount,
                          DirectionOf(bindings, press) == Direction::kLeft ? kChoiceCount - 1 : 1);
            return Outcome::kRedraw;
        case Direction::kNone:
            break;
    }
    if (press.repeat || !(std::any_of(std::begin(kConfirmKeys), std::end(kConfirmKeys),
                                      [&](SDL_Scancode key) { return Is(press, key); }) ||
                          Is(press, kConfirmButton))) {
        return Outcome::kNothing;
    }
    return Confirm(press, nowMs);
}

ControlsPage::Outcome ControlsPage::Confirm(const Press& press, uint64_t nowMs) {
    if (row == kBackRow) {
        return Outcome::kResume;
    }
    if (row == kDefaultsRow) {
        const Bindings defaults = Bindings::Defaults();
        const bool changed = bindings != defaults;
        bindings = defaults;
        Notify(changed ? "every control has its defaults again"
                       : "every control has its defaults already",
               nowMs);
        return changed ? Outcome::kRebound : Outcome::kRedraw;
    }
    if (choice != Choice::kRemove) {
        waiting = true;
        return Outcome::kRedraw;
    }
    // A controller player means the controller's inputs.
    const size_t action = kRowAction[row];
    const Rebound done =
        FromPad(press) ? RemoveLastPadInput(bindings, action) : RemoveLastKey(bindings, action);
    Notify(done.notice, nowMs);
    return done.changed ? Outcome::kRebound : Outcome::kRedraw;
}

ControlsPage::Outcome ControlsPage::Take(const Press& press, uint64_t nowMs) {
    waiting = false;
    if (Is(press, kCancelKey) || Is(press, kCancelButton)) {
        Notify("nothing changed", nowMs);
        return Outcome::kRedraw;
    }
    const size_t action = kRowAction[row];
    const bool add = choice == Choice::kAdd;
    const Rebound done =
        std::visit([&](auto source) { return Bind(bindings, action, source, add); }, press.source);
    Notify(done.notice, nowMs);
    return done.changed ? Outcome::kRebound : Outcome::kRedraw;
}

void ControlsPage::Notify(std::string text, uint64_t nowMs) {
    notice = std::move(text);
    noticeEndsMs = nowMs + kNoticeMs;
}

void ControlsPage::Saved(const std::string& why) {
    failure = why.empty() ? "" : "settings.ini not saved: " + why;
    if (!failure.empty()) {
        notice.clear();  // the change shows in its row; that it is lost shows only here
    }
}

bool ControlsPage::Expire(uint64_t nowMs) {
    if (notice.empty() || nowMs < noticeEndsMs) {
        return false;
    }
    notice.clear();
    return true;
}

void ControlsPage::Reset() {
    row = 0;
    choice = Choice::kChange;
    waiting = false;
    notice.clear();
}

std::vector<PanelLine> ControlsPage::Lines() const {
    std::vector<PanelLine> lines = {
        {{{0, std::string(kTitle), kGold}}, kTitleSize, true},
        {{{kKeysAt, "KEYBOARD", kHeading}, {kPadAt, "CONTROLLER", kHeading}}},
    };
    for (size_t r = 0; r < kListed; ++r) {
        const size_t action = kRowAction[r];
        PanelLine line{{{0, std::string(kActions[action].label), kLabel},
                        {kKeysAt, Listed(bindings.keys[action], KeyName, kKeysColumn), kText},
                        {kPadAt, Listed(bindings.pad[action], PadInputName, kPadColumn), kText}}};
        if (r == row) {
            line.marked = true;
            for (size_t c = 0; c < std::size(kChoices); ++c) {
                const bool chosen = c == static_cast<size_t>(choice);
                line.spans.push_back(
                    {kChoices[c].column, std::string(kChoices[c].text), chosen ? kGold : kHeading});
            }
        }
        lines.push_back(std::move(line));
    }
    lines.push_back({});
    lines.push_back({{{0, std::string(kDefaults), kLabel}}, 1, false, row == kDefaultsRow});
    lines.push_back({{{0, std::string(kBack), kLabel}}, 1, false, row == kBackRow});
    lines.push_back({});
    if (waiting) {
        const std::string_view prompt = choice == Choice::kAdd ? kAddPrompt : kChangePrompt;
        lines.push_back(
            {{{0, Cut(std::string(prompt) + std::string(kActions[kRowAction[row]].label)),
               kGold}}});
    } else if (!notice.empty()) {
        lines.push_back({{{0, Cut(notice), kGold}}});
    } else {
        lines.push_back({{{0, Cut(failure), kFailure}}});
    }
    lines.push_back({{{0, std::string(waiting ? kWaitHint : kHint), kHeading}}});
    lines.push_back({{{0, std::string(kFooter), kHeading}}});
    return lines;
}

}  // namespace plumo
