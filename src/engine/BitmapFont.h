// Text drawn one glyph cell per character from a texture grid in
// character-code order, stretched to whatever size the caller asks for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Library.h"

namespace morva {

class BitmapFont {
public:
    static constexpr std::u16string_view kDefaultTexture = u"font_128_64.zqtex";
    static constexpr double kDefaultCellWidth = 64.0;    // texels
    static constexpr double kDefaultCellHeight = 128.0;  // texels
    static constexpr int64_t kFirstCode = 32;            // space, in the top-left cell
    static constexpr int64_t kCellsPerRow = 16;

    void LoadDefault();
    void Load(std::u16string_view fileName, double newCellWidth, double newCellHeight);

    static int64_t CharCode(char16_t character) { return character; }
    double GlyphSrcX(int64_t code) const {
        return cellWidth * ((code - kFirstCode) % kCellsPerRow);
    }
    double GlyphSrcY(int64_t code) const {
        return cellHeight * ((code - kFirstCode) / kCellsPerRow);
    }
    static int64_t DigitCode(int64_t n) { return n + u'0'; }
    static char16_t DigitChar(int64_t n);

    // Exactly width characters, right-aligned; leading digits beyond width
    // are lost, and 0 or negative numbers give only fill.
    // Valid until the next call; copy it to keep it.
    const std::u16string& NumberToText(int64_t number, int64_t width, bool zeroFill);

    // Glyphs of w x h pixels from (x, y), each advancing by exactly w.
    void DrawText(std::u16string_view text, double x, double y, double w, double h,
                  double alpha) const;

private:
    lib::Texture texture;
    double cellWidth = 0.0;
    double cellHeight = 0.0;
    std::u16string digitBuffer;  // digits lowest first
    std::u16string textBuffer;
};

}  // namespace morva
