#include "Panel.h"

#include <algorithm>
#include <cmath>

#include "Display.h"
#include "PanelFont.h"

namespace plumo {
namespace {

// In font pixels of the ordinary text.
constexpr int kPadding = 12;
constexpr int kBorder = 1;
constexpr int kLinePitch = kGlyphHeight + 5;

constexpr PanelColour kBackground{12, 14, 24, 240};
constexpr PanelColour kFrame{255, 214, 90, 255};

// Font pixels from the first ink to the last of a run of `characters`.
int RunWidth(int characters, int size) {
    return characters > 0 ? (characters * kGlyphAdvance - 1) * size : 0;
}

int LineWidth(const PanelLine& line) {
    int width = 0;
    int run = 0;
    for (const PanelSpan& span : line.spans) {
        const int end = span.column + static_cast<int>(span.text.size());
        width = std::max(width, RunWidth(end, line.size));
        run += static_cast<int>(span.text.size());
    }
    return line.centred ? RunWidth(run, line.size) : width;
}

void Fill(SDL_Renderer* renderer, PanelColour colour, const std::vector<SDL_Rect>& rects) {
    SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
    SDL_RenderFillRects(renderer, rects.data(), static_cast<int>(rects.size()));
}

}  // namespace

Panel::Panel(std::vector<PanelLine> lines, int gameScale)
    : lines(std::move(lines)), gameScale(gameScale) {
    int inner = 0;
    int textHeight = 0;
    for (const PanelLine& line : this->lines) {
        inner = std::max(inner, LineWidth(line));
        textHeight += kLinePitch * line.size;
    }
    if (!this->lines.empty()) {
        textHeight -= (kLinePitch - kGlyphHeight) * this->lines.back().size;
    }
    width = inner + 2 * kPadding;
    height = textHeight + 2 * kPadding;
}

PanelPlacement Panel::Place(int outputW, int outputH) const {
    PanelPlacement place;
    // The game's picture fills the output as far as its shape allows.
    const double picture =
        std::min(static_cast<double>(outputW) / kScreenW, static_cast<double>(outputH) / kScreenH);
    int scale = std::max(1, static_cast<int>(std::lround(gameScale * picture)));
    while (scale > 1 && (width * scale > outputW || height * scale > outputH)) {
        --scale;
    }
    place.scale = scale;
    place.box = {(outputW - width * scale) / 2, (outputH - height * scale) / 2, width * scale,
                 height * scale};
    const int inner = (width - 2 * kPadding) * scale;
    const int left = place.box.x + kPadding * scale;
    int y = place.box.y + kPadding * scale;
    for (const PanelLine& line : lines) {
        const int pixel = line.size * scale;
        int x = line.centred ? left + (inner - LineWidth(line) * scale) / 2 : left;
        for (const PanelSpan& span : line.spans) {
            if (!line.centred) {
                x = left + span.column * kGlyphAdvance * pixel;
            }
            place.texts.push_back({span.text, x, y, pixel, span.colour});
            x += static_cast<int>(span.text.size()) * kGlyphAdvance * pixel;
        }
        y += kLinePitch * pixel;
    }
    return place;
}

void Panel::Draw(SDL_Renderer* renderer) {
    int logicalW = 0;
    int logicalH = 0;
    SDL_RenderGetLogicalSize(renderer, &logicalW, &logicalH);
    SDL_RenderSetLogicalSize(renderer, 0, 0);
    int outputW = 0;
    int outputH = 0;
    SDL_GetRendererOutputSize(renderer, &outputW, &outputH);
    const PanelPlacement place = Place(outputW, outputH);

    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    const SDL_Rect& box = place.box;
    const int border = kBorder * place.scale;
    Fill(renderer, kBackground, {box});
    Fill(renderer, kFrame,
         {{box.x, box.y, box.w, border},
          {box.x, box.y + box.h - border, box.w, border},
          {box.x, box.y + border, border, box.h - 2 * border},
          {box.x + box.w - border, box.y + border, border, box.h - 2 * border}});
    for (const PanelPlacement::Text& text : place.texts) {
        ink.clear();
        AppendText(text.text, text.x, text.y, text.pixel, ink);
        Fill(renderer, text.colour, ink);
    }
    SDL_RenderSetLogicalSize(renderer, logicalW, logicalH);
}

}  // namespace plumo
