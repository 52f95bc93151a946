#include "engine/BitmapFont.h"

#include <stdexcept>

namespace morva {
namespace {

constexpr int64_t kRadix = 10;
constexpr double kFullColour = 1.0;  // colour factor that leaves the glyph as it is

}  // namespace

void BitmapFont::LoadDefault() {
    Load(kDefaultTexture, kDefaultCellWidth, kDefaultCellHeight);
}

void BitmapFont::Load(std::u16string_view fileName, double newCellWidth, double newCellHeight) {
    texture = lib::LoadTex(fileName);
    cellWidth = newCellWidth;
    cellHeight = newCellHeight;
}

char16_t BitmapFont::DigitChar(int64_t n) {
    return n >= 0 && n < kRadix ? static_cast<char16_t>(DigitCode(n)) : u' ';
}

const std::u16string& BitmapFont::NumberToText(int64_t number, int64_t width, bool zeroFill) {
    if (width < 0) {
        throw std::length_error("number text of negative width");
    }
    const auto size = static_cast<std::size_t>(width);
    digitBuffer.assign(size, u' ');
    textBuffer.assign(size, u' ');
    for (std::size_t i = 0; i < size; ++i) {
        if (number > 0) {
            digitBuffer[i] = DigitChar(number % kRadix);
            number = (number - number % kRadix) / kRadix;
        } else {
            digitBuffer[i] = zeroFill ? DigitChar(0) : u' ';
        }
    }
    for (std::size_t i = 0; i < size; ++i) {
        textBuffer[size - 1 - i] = digitBuffer[i];
    }
    return textBuffer;
}

void BitmapFont::DrawText(std::u16string_view text, double x, double y, double w, double h,
                          double alpha) const {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int64_t c = CharCode(text[i]);
        lib::DrawTex(texture, GlyphSrcX(c), GlyphSrcY(c), cellWidth, cellHeight,
                     x + w * static_cast<double>(i), y, w, h, kFullColour, kFullColour, kFullColour,
                     alpha);
    }
}

}  // namespace morva
