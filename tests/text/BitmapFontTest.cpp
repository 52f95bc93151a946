#include "frame/text/BitmapFont.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeLibrary.h"

namespace morva {
namespace {

using Numbers = std::vector<double>;

// Source and destination rectangles and the four colour factors of one
// glyph draw.
Numbers Glyph(double srcX, double srcY, double dstX, double dstY, double w, double h,
              double alpha) {
    return {srcX, srcY, 64, 128, dstX, dstY, w, h, 1, 1, 1, alpha};
}

class BitmapFontTest : public ::testing::Test {
protected:
    void SetUp() override { font.LoadDefault(); }

    std::vector<Numbers> DrawnNumbers() const {
        std::vector<Numbers> result;
        for (const fake::DrawCall& call : library.draws) {
            EXPECT_FALSE(call.rotated) << call;
            EXPECT_EQ(library.TextureName(call.texture), "font_128_64.zqtex") << call;
            result.push_back(call.args);
        }
        return result;
    }

    fake::FakeLibrary library;
    BitmapFont font;
};

TEST_F(BitmapFontTest, VersionLineDrawsEveryGlyphOneWidthApart) {
    font.DrawText(u"ver 0.2", 800, 600, 25, 50, 1.0);
    EXPECT_EQ(library.loads, std::vector<std::string>{"font_128_64.zqtex"});
    EXPECT_EQ(DrawnNumbers(), (std::vector<Numbers>{
                                  Glyph(384, 640, 800, 600, 25, 50, 1),  // v: column 6, row 5
                                  Glyph(320, 512, 825, 600, 25, 50, 1),  // e: column 5, row 4
                                  Glyph(128, 640, 850, 600, 25, 50, 1),  // r: column 2, row 5
                                  Glyph(0, 0, 875, 600, 25, 50, 1),      // space is drawn too
                                  Glyph(0, 128, 900, 600, 25, 50, 1),    // 0: column 0, row 1
                                  Glyph(896, 0, 925, 600, 25, 50, 1),    // .: column 14, row 0
                                  Glyph(128, 128, 950, 600, 25, 50, 1),  // 2: column 2, row 1
                              }));
}

TEST_F(BitmapFontTest, GlyphSizeAndOpacityAreTheCallers) {
    font.DrawText(u"A!", 10, 20, 100, 200, 0.5);
    EXPECT_EQ(DrawnNumbers(), (std::vector<Numbers>{
                                  Glyph(64, 256, 10, 20, 100, 200, 0.5),  // A: column 1, row 2
                                  Glyph(64, 0, 110, 20, 100, 200, 0.5),   // !: column 1, row 0
                              }));
}

TEST_F(BitmapFontTest, EmptyTextDrawsNothing) {
    font.DrawText(u"", 800, 600, 25, 50, 1.0);
    EXPECT_TRUE(library.draws.empty());
}

TEST(BitmapFontLoad, CellSizeComesFromLoadAndCodesBelowSpaceGoNegative) {
    fake::FakeLibrary library;
    BitmapFont font;
    font.Load(u"small.zqtex", 8, 16);
    font.DrawText(u"A\t", 0, 0, 8, 16, 1.0);
    ASSERT_EQ(library.loads, std::vector<std::string>{"small.zqtex"});
    ASSERT_EQ(library.draws.size(), 2u);
    EXPECT_EQ(library.draws[0].args, (Numbers{8, 32, 8, 16, 0, 0, 8, 16, 1, 1, 1, 1}));
    // Tab is code 9: 23 cells before the space, truncated toward zero.
    EXPECT_EQ(library.draws[1].args, (Numbers{-56, -16, 8, 16, 8, 0, 8, 16, 1, 1, 1, 1}));
}

TEST(BitmapFontDigits, DigitCharCoversZeroToNineOnly) {
    EXPECT_EQ(BitmapFont::DigitCode(0), 48);
    EXPECT_EQ(BitmapFont::DigitChar(0), u'0');
    EXPECT_EQ(BitmapFont::DigitChar(9), u'9');
    EXPECT_EQ(BitmapFont::DigitChar(10), u' ');
    EXPECT_EQ(BitmapFont::DigitChar(-1), u' ');
}

TEST_F(BitmapFontTest, NumberToTextRightAlignsWithSpacesOrZeros) {
    EXPECT_EQ(font.NumberToText(42, 5, false), u"   42");
    EXPECT_EQ(font.NumberToText(42, 5, true), u"00042");
    EXPECT_EQ(font.NumberToText(12345, 5, false), u"12345");
    EXPECT_EQ(font.NumberToText(1000000, 12, true), u"000001000000");
}

TEST_F(BitmapFontTest, NumberToTextEdges) {
    // Too many digits: the leading ones are lost.
    EXPECT_EQ(font.NumberToText(987, 2, false), u"87");
    EXPECT_EQ(font.NumberToText(987, 2, true), u"87");
    EXPECT_EQ(font.NumberToText(0, 3, false), u"   ");
    EXPECT_EQ(font.NumberToText(0, 12, true), u"000000000000");
    EXPECT_EQ(font.NumberToText(-5, 4, false), u"    ");
    EXPECT_EQ(font.NumberToText(-5, 4, true), u"0000");
    EXPECT_EQ(font.NumberToText(42, 0, true), u"");
    // The buffers are remade on every call: nothing of a longer text stays.
    EXPECT_EQ(font.NumberToText(987654, 6, false), u"987654");
    EXPECT_EQ(font.NumberToText(7, 3, false), u"  7");
}

}  // namespace
}  // namespace morva
