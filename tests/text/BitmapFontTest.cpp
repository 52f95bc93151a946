#include "frame/text/BitmapFont.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "FakeLibrary.h"

namespace morva {
namespace {

using Numbers = std::vector<double>;

// The numbers of one draw of a 64 x 128 glyph cell: source, destination, colour factors.
Numbers Glyph(double srcX, double srcY, double dstX, double dstY, double w, double h, double a) {
    return {srcX, srcY, 64, 128, dstX, dstY, w, h, 1, 1, 1, a};
}

TEST(BitmapFontTest, GlyphCellsAndDestinationsOfWholeLines) {
    fake::FakeLibrary library;
    BitmapFont font;
    font.LoadDefault();
    font.DrawText(u"", 800, 600, 25, 50, 1.0);
    EXPECT_TRUE(library.draws.empty()) << "the empty text";
    font.DrawText(u"ver 0.2", 800, 600, 25, 50, 1.0);
    font.DrawText(u"A!", 10, 20, 100, 200, 0.5);  // size and opacity are the caller's
    EXPECT_EQ(library.loads, std::vector<std::string>{"font_128_64.zqtex"});
    std::vector<Numbers> drawn;
    for (const fake::DrawCall& call : library.draws) {
        EXPECT_FALSE(call.rotated) << call;
        EXPECT_EQ(call.texture, 1) << call;
        drawn.push_back(call.args);
    }
    EXPECT_EQ(drawn, (std::vector<Numbers>{
                         Glyph(384, 640, 800, 600, 25, 50, 1),   // v: column 6, row 5
                         Glyph(320, 512, 825, 600, 25, 50, 1),   // e: column 5, row 4
                         Glyph(128, 640, 850, 600, 25, 50, 1),   // r: column 2, row 5
                         Glyph(0, 0, 875, 600, 25, 50, 1),       // space is drawn too
                         Glyph(0, 128, 900, 600, 25, 50, 1),     // 0: column 0, row 1
                         Glyph(896, 0, 925, 600, 25, 50, 1),     // .: column 14, row 0
                         Glyph(128, 128, 950, 600, 25, 50, 1),   // 2: column 2, row 1
                         Glyph(64, 256, 10, 20, 100, 200, 0.5),  // A: column 1, row 2
                         Glyph(64, 0, 110, 20, 100, 200, 0.5),   // !: column 1, row 0
                     }));

    BitmapFont small;  // the cell size comes from Load
    small.Load(u"small.zqtex", 8, 16);
    library.draws.clear();
    small.DrawText(u"A\t", 0, 0, 8, 16, 1.0);
    EXPECT_EQ(library.loads.back(), "small.zqtex");
    ASSERT_EQ(library.draws.size(), 2u);
    EXPECT_EQ(library.draws[0].args, (Numbers{8, 32, 8, 16, 0, 0, 8, 16, 1, 1, 1, 1}));
    // Tab is code 9: 23 cells before the space, truncated toward zero.
    EXPECT_EQ(library.draws[1].args, (Numbers{-56, -16, 8, 16, 8, 0, 8, 16, 1, 1, 1, 1}));
}

TEST(BitmapFontTest, NumberToText) {
    fake::FakeLibrary library;
    BitmapFont font;
    // {value, digits, zero fill, text}: too many digits lose the leading ones, and
    // nothing of a longer text stays from an earlier call.
    const std::vector<std::tuple<int64_t, int64_t, bool, std::u16string>> rows = {
        {42, 5, false, u"   42"},    {42, 5, true, u"00042"},
        {12345, 5, false, u"12345"}, {1000000, 12, true, u"000001000000"},
        {987, 2, false, u"87"},      {987, 2, true, u"87"},
        {0, 3, false, u"   "},       {0, 12, true, u"000000000000"},
        {-5, 4, false, u"    "},     {-5, 4, true, u"0000"},
        {42, 0, true, u""},          {987654, 6, false, u"987654"},
        {7, 3, false, u"  7"}};
    for (const auto& [value, digits, zeros, text] : rows) {
        EXPECT_EQ(font.NumberToText(value, digits, zeros), text)
            << value << " in " << digits << (zeros ? " with zeros" : " with spaces");
    }
}

}  // namespace
}  // namespace morva
