#include "Pause.h"

#include <algorithm>

#include "PanelFont.h"
#include "StopSignals.h"

namespace plumo {
namespace {

// Sizes on the game's 1600 x 900 screen, in pixels.
constexpr int kTitleScale = 8;
constexpr int kTextScale = 3;
constexpr int kLine = 12 * kTextScale;
constexpr int kPadding = 40;
constexpr int kBorder = 3;
// Columns, in characters.
constexpr int kLabelColumn = 7;
constexpr int kKeysColumn = 26;
constexpr int kPadColumn = 18;
constexpr int kGap = 2;
constexpr int kChar = kGlyphAdvance * kTextScale;
constexpr int kTextWidth = (kLabelColumn + kKeysColumn + kPadColumn + 2 * kGap) * kChar;
constexpr int kPanelWidth = kTextWidth + 2 * kPadding;
constexpr int kRowsShown = 8;
static_assert(std::count_if(std::begin(kActions), std::end(kActions), [](const Action& action) {
                  return !action.label.empty();
              }) == kRowsShown);
constexpr int kPanelHeight = 2 * kPadding + kGlyphHeight * kTitleScale + 4 * kLine +
                             kRowsShown * kLine + kGlyphHeight * kTextScale;
static_assert(kPanelWidth <= kScreenW && kPanelHeight <= kScreenH);

constexpr std::string_view kTitle = "PAUSED";
constexpr std::string_view kFooter = "F11 OR ALT+ENTER: FULLSCREEN    F12: SCREENSHOT";
static_assert(kFooter.size() * kChar <= kTextWidth);

// What the paused frame keeps of its brightness, out of 255.
constexpr Uint8 kDimmed = 90;
// How often the wait looks for a stop signal.
constexpr int kWakeMs = 100;

struct Colour {
    Uint8 r, g, b, a;
};
constexpr Colour kBackground{12, 14, 24, 240};
constexpr Colour kGold{255, 214, 90, 255};
constexpr Colour kLabel{150, 200, 255, 255};
constexpr Colour kHeading{150, 150, 165, 255};
constexpr Colour kText{255, 255, 255, 255};

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

void Fill(SDL_Renderer* renderer, Colour colour, const std::vector<SDL_Rect>& rects) {
    SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
    SDL_RenderFillRects(renderer, rects.data(), static_cast<int>(rects.size()));
}

}  // namespace

Pause::Pause(Display& display, Devices& devices, const Bindings& bindings)
    : display(display), devices(devices) {
    for (size_t action = 0; action < kActionCount; ++action) {
        if (kActions[action].label.empty()) {
            continue;
        }
        rows.push_back(
            {std::string(kActions[action].bit == kPauseBit ? "RESUME" : kActions[action].label),
             Listed(bindings.keys[action], KeyName, kKeysColumn),
             Listed(bindings.pad[action], PadInputName, kPadColumn)});
    }
}

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

void Pause::Hold(int64_t frame) {
    devices.BeginPause();
    for (bool draw = true; devices.Paused() && !devices.Closed() && !StopRequested();
         draw = devices.WaitWhilePaused(kWakeMs)) {
        if (!draw) {
            continue;
        }
        Draw();
        if (devices.TakeShotRequest()) {
            display.SaveShot("shot", frame);
        }
        display.Show();
    }
    ReleasePicture();
}

void Pause::Draw() {
    SDL_Renderer* renderer = display.Renderer();
    display.CoverOutput(picture);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    const int left = (kScreenW - kPanelWidth) / 2;
    const int top = (kScreenH - kPanelHeight) / 2;
    Fill(renderer, kBackground, {{left, top, kPanelWidth, kPanelHeight}});
    Fill(renderer, kGold,
         {{left, top, kPanelWidth, kBorder},
          {left, top + kPanelHeight - kBorder, kPanelWidth, kBorder},
          {left, top, kBorder, kPanelHeight},
          {left + kPanelWidth - kBorder, top, kBorder, kPanelHeight}});

    const int x = left + kPadding;
    const int keysX = x + (kLabelColumn + kGap) * kChar;
    const int padX = keysX + (kKeysColumn + kGap) * kChar;
    int y = top + kPadding;
    ink.clear();
    const int titleWidth = static_cast<int>(kTitle.size()) * kGlyphAdvance * kTitleScale;
    AppendText(kTitle, (kScreenW - titleWidth) / 2, y, kTitleScale, ink);
    Fill(renderer, kGold, ink);

    y += kGlyphHeight * kTitleScale + 2 * kLine;
    ink.clear();
    AppendText("KEYBOARD", keysX, y, kTextScale, ink);
    AppendText("CONTROLLER", padX, y, kTextScale, ink);
    AppendText(kFooter, x, y + (kRowsShown + 2) * kLine, kTextScale, ink);
    Fill(renderer, kHeading, ink);

    ink.clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        AppendText(rows[i].label, x, y + static_cast<int>(i + 1) * kLine, kTextScale, ink);
    }
    Fill(renderer, kLabel, ink);
    ink.clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        const int rowY = y + static_cast<int>(i + 1) * kLine;
        AppendText(rows[i].keys, keysX, rowY, kTextScale, ink);
        AppendText(rows[i].pad, padX, rowY, kTextScale, ink);
    }
    Fill(renderer, kText, ink);
}

}  // namespace plumo
