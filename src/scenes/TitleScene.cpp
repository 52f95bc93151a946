#include <array>
#include <string_view>

#include "engine/BitmapFont.h"
#include "engine/InputState.h"
#include "engine/Library.h"
#include "scenes/Scenes.h"

namespace morva {
namespace {

struct TextLine {
    std::u16string_view text;
    double x;  // pixels, left edge of the first glyph
    double y;  // pixels, top
};

constexpr auto kCredits = std::to_array<TextLine>({
    {u"Character Design : pelomar", 900.0, 720.0},
    {u"Game Design / Program : Quennet", 775.0, 770.0},
    {u"Programming Language : Tarsk", 800.0, 820.0},
});
static_assert(kCredits.size() == 3, "three credit lines");

constexpr TextLine kVersion = {u"ver 0.2", 800.0, 600.0};

constexpr double kGlyphW = 25.0;  // pixels
constexpr double kGlyphH = 50.0;  // pixels
constexpr double kOpaque = 1.0;

constexpr std::u16string_view kTitleTexture = u"title.zqtex";

// The top-left 600 x 160 texels of the title texture, drawn doubled with its
// left edge at 200 so that it sits centred on the 1600 pixel wide screen.
struct TexRect {
    double x, y, w, h;
};
constexpr TexRect kTitleSource = {0.0, 0.0, 600.0, 160.0};
constexpr TexRect kTitleDest = {200.0, 200.0, 1200.0, 320.0};
constexpr double kFullColour = 1.0;

void DrawLine(const BitmapFont& font, const TextLine& line) {
    font.DrawText(line.text, line.x, line.y, kGlyphW, kGlyphH, kOpaque);
}

}  // namespace

void RunTitle(SceneSelector& selector, InputState& input, BitmapFont& font) {
    // A fresh load on every entry; the handle goes, and the texture with it,
    // when the scene returns.
    const lib::Texture title = lib::LoadTex(kTitleTexture);
    for (;;) {
        input.Update();
        for (const TextLine& credit : kCredits) {
            DrawLine(font, credit);
        }
        lib::DrawTex(title, kTitleSource.x, kTitleSource.y, kTitleSource.w, kTitleSource.h,
                     kTitleDest.x, kTitleDest.y, kTitleDest.w, kTitleDest.h, kFullColour,
                     kFullColour, kFullColour, kOpaque);
        DrawLine(font, kVersion);
        // Letting go starts the game, in this very frame: no Act.
        if (input.ReleasedJump()) {
            selector.SetScene(Scene::Game);
            return;
        }
        lib::Act();
    }
}

}  // namespace morva
