#include "Pause.h"

#include "StopSignals.h"

namespace plumo {
namespace {

// The text's font pixels in pixels of the game's 1600 x 900 screen; the
// title's are three times as large.
constexpr int kTextScale = 3;
constexpr int kTitleSize = 3;
// Columns, in characters.
constexpr int kLabelColumn = 7;
constexpr int kKeysColumn = 26;
constexpr int kPadColumn = 18;
constexpr int kGap = 2;
constexpr int kKeysAt = kLabelColumn + kGap;
constexpr int kPadAt = kKeysAt + kKeysColumn + kGap;

constexpr std::string_view kTitle = "PAUSED";
constexpr std::string_view kFooter = "F11 OR ALT+ENTER: FULLSCREEN    F12: SCREENSHOT";
static_assert(kFooter.size() <= kPadAt + kPadColumn);

// What the paused frame keeps of its brightness, out of 255.
constexpr Uint8 kDimmed = 90;
// How often the wait looks for a stop signal.
constexpr int kWakeMs = 100;

constexpr PanelColour kGold{255, 214, 90, 255};
constexpr PanelColour kLabel{150, 200, 255, 255};
constexpr PanelColour kHeading{150, 150, 165, 255};
constexpr PanelColour kText{255, 255, 255, 255};

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

// The title, the controls as they are bound, and the window's own keys.
std::vector<PanelLine> Lines(const Bindings& bindings) {
    std::vector<PanelLine> lines = {
        {{{0, std::string(kTitle), kGold}}, kTitleSize, true},
        {},
        {{{kKeysAt, "KEYBOARD", kHeading}, {kPadAt, "CONTROLLER", kHeading}}},
    };
    for (size_t action = 0; action < kActionCount; ++action) {
        if (kActions[action].label.empty()) {
            continue;
        }
        const bool pause = kActions[action].bit == kPauseBit;
        lines.push_back(
            {{{0, std::string(pause ? "RESUME" : kActions[action].label), kLabel},
              {kKeysAt, Listed(bindings.keys[action], KeyName, kKeysColumn), kText},
              {kPadAt, Listed(bindings.pad[action], PadInputName, kPadColumn), kText}}});
    }
    lines.push_back({});
    lines.push_back({{{0, std::string(kFooter), kHeading}}});
    return lines;
}

}  // namespace

Pause::Pause(Display& display, Devices& devices, const Bindings& bindings)
    : display(display), devices(devices), panel(Lines(bindings), kTextScale) {}

Pause::~Pause() {
    ReleasePicture();
}

void Pause::ReleasePicture() {
    if (picture != nullptr) {
        SDL_DestroyTexture(picture);
        picture = nullptr;
    }
}

void Pause::Capture() {
    ReleasePicture();
    picture = display.CaptureOutput();
    if (picture != nullptr) {
        SDL_SetTextureColorMod(picture, kDimmed, kDimmed, kDimmed);
    }
}

void Pause::Hold(const std::function<void()>& shoot) {
    devices.BeginPause();
    for (bool draw = true; devices.Paused() && !devices.Closed() && !StopRequested();
         draw = devices.WaitWhilePaused(kWakeMs)) {
        if (!draw) {
            continue;
        }
        Draw();
        if (devices.TakeShotRequest()) {
            shoot();
        }
        display.Show();
    }
    // A shot asked for in the same breath as the resume is still of the paused picture.
    if (devices.TakeShotRequest()) {
        Draw();
        shoot();
    }
    ReleasePicture();
}

void Pause::Draw() {
    display.CoverOutput(picture);
    panel.Draw(display.Renderer());
}

}  // namespace plumo
