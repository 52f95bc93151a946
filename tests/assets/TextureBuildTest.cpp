// Checks the rendered textures the way the game samples them: sizes, pixel
// format, and the transparent rows and margins that keep stretched, filtered
// cells from showing their neighbours.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ProgramIcon.h"

namespace {

struct Texture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    const unsigned char* At(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    int Alpha(int x, int y) const { return At(x, y)[3]; }

    // Highest alpha inside a rectangle; 0 means fully transparent.
    int MaxAlpha(int x0, int y0, int w, int h) const {
        int best = 0;
        for (int y = y0; y < y0 + h; ++y) {
            for (int x = x0; x < x0 + w; ++x) {
                best = std::max(best, Alpha(x, y));
            }
        }
        return best;
    }
};

// Fails the calling test unless the file is an 8-bit RGBA PNG.
Texture Load(const std::string& name) {
    Texture texture;
    const std::string path = std::string(MORVA_TEXTURE_DIR) + "/" + name;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ADD_FAILURE() << "missing " << path;
        return texture;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << name << " is not a readable PNG";
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return Texture{};
    }
    png_init_io(png, file);
    png_read_info(png, info);
    const int color_type = png_get_color_type(png, info);
    const int bit_depth = png_get_bit_depth(png, info);
    EXPECT_EQ(color_type, PNG_COLOR_TYPE_RGB_ALPHA) << name;
    EXPECT_EQ(bit_depth, 8) << name;
    if (color_type == PNG_COLOR_TYPE_RGB_ALPHA && bit_depth == 8) {
        texture.width = static_cast<int>(png_get_image_width(png, info));
        texture.height = static_cast<int>(png_get_image_height(png, info));
        texture.rgba.resize(static_cast<size_t>(texture.width) * texture.height * 4);
        for (int y = 0; y < texture.height; ++y) {
            png_read_row(png, &texture.rgba[static_cast<size_t>(y) * texture.width * 4], nullptr);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return texture;
}

struct Expected {
    const char* name;
    int width;
    int height;
};

TEST(TextureBuild, EveryFileHasItsSizeAndFormat) {
    const Expected files[] = {
        {"font_128_64.zqtex", 1024, 768},  {"distant_view.zqtex", 512, 256},
        {"ground.zqtex", 512, 256},        {"wood.zqtex", 1024, 512},
        {"pelomar256.zqtex", 768, 1024},   {"sword.zqtex", 1024, 1536},
        {"smog.zqtex", 128, 128},          {"rock_enemy.zqtex", 1024, 512},
        {"generate_hole.zqtex", 512, 368}, {"gauge.zqtex", 256, 32},
        {"combo.zqtex", 32, 32},           {"life.zqtex", 32, 32},
        {"bullet.zqtex", 64, 64},
    };
    for (const Expected& file : files) {
        const Texture texture = Load(file.name);
        EXPECT_EQ(texture.width, file.width) << file.name;
        EXPECT_EQ(texture.height, file.height) << file.name;
    }
    // The title screen draws the top-left 600 x 160.
    const Texture title = Load("title.zqtex");
    EXPECT_GE(title.width, 600);
    EXPECT_GE(title.height, 160);
    EXPECT_GT(title.MaxAlpha(0, 0, 600, 160), 200) << "the logo is missing";
}

// Every cell keeps a clear frame of `margin` texels inside its edges, except
// the edges listed as open (a tree's foot stands on the texture's bottom).
void ExpectClearCellMargins(const Texture& texture, const char* name, int cell_w, int cell_h,
                            int margin, bool bottom_open = false) {
    for (int cy = 0; cy + cell_h <= texture.height; cy += cell_h) {
        for (int cx = 0; cx + cell_w <= texture.width; cx += cell_w) {
            EXPECT_EQ(texture.MaxAlpha(cx, cy, cell_w, margin), 0)
                << name << " top edge of cell " << cx << "," << cy;
            EXPECT_EQ(texture.MaxAlpha(cx, cy, margin, cell_h), 0)
                << name << " left edge of cell " << cx << "," << cy;
            EXPECT_EQ(texture.MaxAlpha(cx + cell_w - margin, cy, margin, cell_h), 0)
                << name << " right edge of cell " << cx << "," << cy;
            if (!bottom_open) {
                EXPECT_EQ(texture.MaxAlpha(cx, cy + cell_h - margin, cell_w, margin), 0)
                    << name << " bottom edge of cell " << cx << "," << cy;
            }
        }
    }
}

TEST(TextureBuild, CellsKeepClearMarginsAgainstFilterBleed) {
    const Texture font = Load("font_128_64.zqtex");
    ExpectClearCellMargins(font, "font", 64, 128, 2);
    const Texture hero = Load("pelomar256.zqtex");
    ExpectClearCellMargins(hero, "hero", 256, 256, 4);
    const Texture sword = Load("sword.zqtex");
    ExpectClearCellMargins(sword, "sword", 512, 256, 4);
    const Texture rock = Load("rock_enemy.zqtex");
    ExpectClearCellMargins(rock, "rock", 256, 256, 4);
    const Texture wood = Load("wood.zqtex");
    ExpectClearCellMargins(wood, "trees", 256, 512, 4, /*bottom_open=*/true);
}

TEST(TextureBuild, RockWalkFrameReadsNothingFromTheRowAbove) {
    const Texture rock = Load("rock_enemy.zqtex");
    ASSERT_EQ(rock.height, 512);
    // The second walk frame samples rows 246..501.
    EXPECT_EQ(rock.MaxAlpha(0, 246, 1024, 10), 0);
    // Every cell the game draws holds a picture: stand, recoil, three breaks.
    for (const auto& [x, y] : {std::pair{0, 256}, {0, 0}, {256, 0}, {512, 0}, {768, 0}}) {
        EXPECT_GT(rock.MaxAlpha(x, y, 256, 256), 200) << "rock cell " << x << "," << y;
    }
}

TEST(TextureBuild, FontHasEveryPrintableGlyphAndBlankSpaceAndDelete) {
    const Texture font = Load("font_128_64.zqtex");
    ASSERT_EQ(font.width, 1024);
    for (int code = 32; code < 128; ++code) {
        const int x = 64 * ((code - 32) % 16);
        const int y = 128 * ((code - 32) / 16);
        if (code == 32 || code == 127) {
            EXPECT_EQ(font.MaxAlpha(x, y, 64, 128), 0) << "code " << code << " must be empty";
        } else {
            EXPECT_EQ(font.MaxAlpha(x, y, 64, 128), 255) << "code " << code << " has no glyph";
        }
    }
    // White glyph with a dark outline, so text reads on sky and grass alike.
    const int cell_x = 64 * (('H' - 32) % 16);
    const int cell_y = 128 * (('H' - 32) / 16);
    int brightest = 0;
    int darkest = 255;
    for (int y = cell_y; y < cell_y + 128; ++y) {
        for (int x = cell_x; x < cell_x + 64; ++x) {
            if (font.Alpha(x, y) == 255) {
                const unsigned char* p = font.At(x, y);
                const int level = std::min({p[0], p[1], p[2]});
                brightest = std::max(brightest, level);
                darkest = std::min(darkest, static_cast<int>(std::max({p[0], p[1], p[2]})));
            }
        }
    }
    EXPECT_GT(brightest, 240);
    EXPECT_LT(darkest, 80);
}

TEST(TextureBuild, HeroCellsStandOnTheirFeet) {
    const Texture hero = Load("pelomar256.zqtex");
    ASSERT_EQ(hero.width, 768);
    for (int cy = 0; cy < 1024; cy += 256) {
        for (int cx = 0; cx < 768; cx += 256) {
            int lowest = -1;
            for (int y = 255; y >= 0 && lowest < 0; --y) {
                if (hero.MaxAlpha(cx, cy + y, 256, 1) > 128) {
                    lowest = y;
                }
            }
            // Drawn 200 px high centred on the line: feet land 75..98 px below it.
            EXPECT_GE(lowest, 224) << "hero cell " << cx << "," << cy;
            EXPECT_LE(lowest, 251) << "hero cell " << cx << "," << cy;
        }
    }
}

// Share of the hit circle (an ellipse in texels: the 600 x 200 drawn cell is
// 512 x 256 texels) that the slash covers with a clearly visible trail.
double SlashCover(const Texture& sword, int cell_x, int cell_y, double cx, double cy) {
    const double rx = 40.0 * 512 / 600;
    const double ry = 40.0 * 256 / 200;
    int inside = 0;
    int covered = 0;
    for (int y = static_cast<int>(cy - ry); y <= static_cast<int>(cy + ry); ++y) {
        for (int x = static_cast<int>(cx - rx); x <= static_cast<int>(cx + rx); ++x) {
            const double dx = (x - cx) / rx;
            const double dy = (y - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) {
                ++inside;
                covered += sword.Alpha(cell_x + x, cell_y + y) > 160 ? 1 : 0;
            }
        }
    }
    return static_cast<double>(covered) / inside;
}

TEST(TextureBuild, SlashPassesThroughTheHitCircleWhileTheWindowIsOpen) {
    const Texture sword = Load("sword.zqtex");
    ASSERT_EQ(sword.height, 1536);
    // Hit circle 200 ahead and 40 below the body; the sword picture's centre
    // is 30 ahead and 30 below (second step), 30 ahead and level (first step,
    // drawn upside down), or 100 ahead and 30 below (third step).
    const double texel_x = 512.0 / 600;
    const double texel_y = 256.0 / 200;
    const double second_x = (300 + 200 - 30) * texel_x;
    const double second_y = (100 + 40 - 30) * texel_y;
    const double first_y = 256 - (100 + 40 - 0) * texel_y;
    const double third_x = (300 + 280 - 100) * texel_x;
    EXPECT_GT(SlashCover(sword, 0, 1280, second_x, second_y), 0.25) << "second step, frame 6";
    EXPECT_GT(SlashCover(sword, 0, 1280, second_x, first_y), 0.25) << "first step, frame 6";
    EXPECT_GT(SlashCover(sword, 512, 1024, third_x, second_y), 0.25) << "third step, frame 5";
    // Before the swing the circle is still empty, so the hit reads as the slash.
    EXPECT_LT(SlashCover(sword, 0, 0, second_x, second_y), 0.05) << "second step, frame 1";
}

TEST(TextureBuild, BackgroundsAreOpaqueAndTheGroundTilesSeamlessly) {
    const Texture ground = Load("ground.zqtex");
    const Texture sky = Load("distant_view.zqtex");
    ASSERT_EQ(ground.width, 512);
    ASSERT_EQ(sky.width, 512);
    double seam = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 512; ++x) {
            ASSERT_EQ(ground.Alpha(x, y), 255) << "ground hole at " << x << "," << y;
            ASSERT_EQ(sky.Alpha(x, y), 255) << "sky hole at " << x << "," << y;
        }
        for (int c = 0; c < 3; ++c) {
            seam += std::abs(ground.At(0, y)[c] - ground.At(511, y)[c]);
        }
    }
    EXPECT_LT(seam / (256 * 3), 6.0) << "left and right edges of the ground differ";
    // The horizon: the sky's bottom row meets the ground's top row in tone.
    double step = 0;
    for (int x = 0; x < 512; ++x) {
        for (int c = 0; c < 3; ++c) {
            step += std::abs(sky.At(x, 255)[c] - ground.At(x, 0)[c]);
        }
    }
    EXPECT_LT(step / (512 * 3), 24.0);
}

TEST(TextureBuild, GaugeFrameIsHollowAndBarFillsStretchCleanly) {
    const Texture gauge = Load("gauge.zqtex");
    ASSERT_EQ(gauge.width, 256);
    EXPECT_EQ(gauge.MaxAlpha(20, 12, 216, 8), 0) << "the bar must show through the frame";
    EXPECT_EQ(gauge.Alpha(128, 1), 255) << "the frame's rim";
    for (const char* name : {"combo.zqtex", "life.zqtex"}) {
        const Texture bar = Load(name);
        ASSERT_EQ(bar.width, 32) << name;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                ASSERT_EQ(bar.Alpha(x, y), 255) << name;
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(bar.At(x, y)[c], bar.At(0, y)[c])
                        << name << ": colour changes along x, stretching would show it";
                }
            }
        }
    }
}

TEST(ProgramIcon, HasFourSizesOfOneOpaqueDesign) {
    const plumo::Icon& icon = morva::ProgramIcon();
    ASSERT_EQ(icon.imageCount, 4);
    const int64_t sizes[] = {16, 32, 48, 64};
    for (int i = 0; i < 4; ++i) {
        const plumo::IconImage& image = icon.images[i];
        ASSERT_EQ(image.size, sizes[i]);
        ASSERT_NE(image.rgba, nullptr);
        const int64_t n = image.size;
        const unsigned char* centre = image.rgba + ((n / 2) * n + n / 2) * 4;
        EXPECT_EQ(centre[3], 255) << "size " << n;
        EXPECT_LT(image.rgba[3], 64) << "rounded corner of size " << n;
    }
}

}  // namespace
