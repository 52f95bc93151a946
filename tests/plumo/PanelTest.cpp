// The pause panel as a player sees it at common window sizes: drawn through a
// renderer set up as the window's (the game's screen scaled to fit), every
// letter is a whole-number enlargement of its 5 x 7 glyph, in a box centred on
// the window that keeps about the share of the picture it has at 1600 x 900.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Panel.h"
#include "PanelFont.h"

namespace plumo {
namespace {

constexpr PanelColour kTitle{255, 214, 90, 255};
constexpr PanelColour kLabel{150, 200, 255, 255};
constexpr PanelColour kText{255, 255, 255, 255};

// The pause panel's shape (a large centred title, three columns, a footer),
// 55 characters wide, with every character the font has.
std::vector<PanelLine> Lines() {
    std::vector<PanelLine> lines = {{{{0, "PAUSED", kTitle}}, 3, true}, {}};
    std::string all;
    for (char c = ' '; c <= '~'; ++c) {
        all += c;
    }
    for (size_t at = 0; at < all.size(); at += 26) {
        lines.push_back(
            {{{0, "LABEL", kLabel}, {9, all.substr(at, 26), kText}, {37, "DPRIGHT", kText}},
             1,
             false,
             at == 26});
    }
    lines.push_back({});
    lines.push_back({{{0, "F11 OR ALT+ENTER: FULLSCREEN    F12: SCREENSHOT  1234567", kLabel}}});
    return lines;
}

struct Output {
    int w, h;
};
// The four common screen sizes, a window of the game's own height at another
// shape, and a small one.
constexpr Output kOutputs[] = {{1280, 720}, {1920, 1080}, {2560, 1440}, {3840, 2160},
                               {1366, 768}, {1000, 600},  {900, 1200}};

// The picture's pixel at (x, y) is `colour`.
bool Is(const SDL_Surface* picture, int x, int y, PanelColour colour) {
    const auto* row = static_cast<const Uint8*>(picture->pixels) + y * picture->pitch;
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(reinterpret_cast<const Uint32*>(row)[x], picture->format, &r, &g, &b);
    return r == colour.r && g == colour.g && b == colour.b;
}

TEST(Panel, EveryLetterIsSharpAndTheBoxCentredAtEveryWindowSize) {
    Panel panel(Lines(), 3);
    int lastScale = 0;
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(std::to_string(output.w) + "x" + std::to_string(output.h));
        SDL_Surface* picture =
            SDL_CreateRGBSurfaceWithFormat(0, output.w, output.h, 32, SDL_PIXELFORMAT_ARGB8888);
        ASSERT_NE(picture, nullptr) << SDL_GetError();
        SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(picture);
        ASSERT_NE(renderer, nullptr) << SDL_GetError();
        SDL_RenderSetLogicalSize(renderer, 1600, 900);
        panel.Draw(renderer);
        int logicalW = 0, logicalH = 0;
        SDL_RenderGetLogicalSize(renderer, &logicalW, &logicalH);
        EXPECT_EQ(logicalW * 10000 + logicalH, 1600 * 10000 + 900) << "the game's screen is back";

        const PanelPlacement place = panel.Place(output.w, output.h);
        const SDL_Rect& box = place.box;
        EXPECT_GE(box.x, 0);
        EXPECT_GE(box.y, 0);
        EXPECT_LE(std::abs(box.x - (output.w - box.x - box.w)), 1);
        EXPECT_LE(std::abs(box.y - (output.h - box.y - box.h)), 1);
        const double share = static_cast<double>(box.w) / std::min(output.w, output.h * 16 / 9);
        EXPECT_TRUE(share > 0.45 && share < 0.85)
            << "the panel covers " << share << " of the width";
        if (output.h >= 720 && output.w * 9 == output.h * 16) {
            EXPECT_GT(place.scale, lastScale) << "a larger window shows larger letters";
            lastScale = place.scale;
        }

        // Every letter inside the box, and the band of the chosen line across it, as far
        // from its left edge as from its right.
        for (const PanelPlacement::Text& text : place.texts) {
            const int right =
                text.x + static_cast<int>(text.text.size()) * kGlyphAdvance * text.pixel;
            EXPECT_TRUE(text.x > box.x && right < box.x + box.w && text.y > box.y &&
                        text.y + kGlyphHeight * text.pixel < box.y + box.h)
                << text.text;
        }
        const PanelPlacement::Text& title = place.texts.front();  // the one centred line
        const int titleRight =
            title.x + static_cast<int>(title.text.size()) * kGlyphAdvance * title.pixel;
        EXPECT_NEAR(title.x - box.x, box.x + box.w - titleRight, kGlyphAdvance * title.pixel);
        ASSERT_EQ(place.bands.size(), 1u);
        const SDL_Rect& band = place.bands[0];
        EXPECT_TRUE(band.x > box.x && band.y > box.y && band.y + band.h < box.y + box.h);
        EXPECT_EQ(band.x - box.x, box.x + box.w - band.x - band.w);
        int inBand = 0;
        for (const PanelPlacement::Text& text : place.texts) {
            if (text.y > band.y && text.y < band.y + band.h) {
                ++inBand;
                EXPECT_LT(text.y + kGlyphHeight * text.pixel, band.y + band.h) << text.text;
            }
        }
        EXPECT_EQ(inBand, 3) << "the band holds its line's three columns";
        // Each font pixel of each glyph is a block of `pixel` x `pixel` output
        // pixels, all ink or all not, so no row or column of a letter is lost.
        int blocks = 0, wrong = 0;
        for (const PanelPlacement::Text& text : place.texts) {
            const int p = text.pixel;
            for (size_t i = 0; i < text.text.size(); ++i) {
                const Glyph& glyph = GlyphFor(text.text[i]);
                const int left = text.x + static_cast<int>(i) * kGlyphAdvance * p;
                for (int row = 0; row < kGlyphHeight; ++row) {
                    for (int column = 0; column < kGlyphWidth; ++column) {
                        const bool ink = glyph.rows[row][column] == '#';
                        bool right = true;
                        for (int y = 0; y < p; ++y) {
                            for (int x = 0; x < p; ++x) {
                                right = right && Is(picture, left + column * p + x,
                                                    text.y + row * p + y, text.colour) == ink;
                            }
                        }
                        ++blocks;
                        if (!right && ++wrong <= 3) {
                            ADD_FAILURE() << "'" << text.text[i] << "' at " << left << "," << text.y
                                          << ", scale " << p << ": font pixel " << column << ","
                                          << row << (ink ? " has a gap" : " is smeared");
                        }
                    }
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "of " << blocks << " font pixels";
        SDL_DestroyRenderer(renderer);
        SDL_FreeSurface(picture);
    }
}

}  // namespace
}  // namespace plumo
