// Checks the rendered textures the way the game samples them: sizes, pixel
// format, and the transparent rows and margins that keep stretched, filtered
// cells from showing their neighbours.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ProgramIcon.h"
#include "game/AttackTable.h"
#include "plumo/TextureFile.h"

namespace {

struct Texture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    const unsigned char* At(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    int Alpha(int x, int y) const { return At(x, y)[3]; }

    // Highest and lowest alpha inside a rectangle; a highest of 0 means fully
    // transparent, a lowest of 255 fully opaque.
    int MaxAlpha(int x0, int y0, int w, int h) const { return Extreme(x0, y0, w, h, true); }
    int MinAlpha(int x0, int y0, int w, int h) const { return Extreme(x0, y0, w, h, false); }
    int Extreme(int x0, int y0, int w, int h, bool highest) const {
        int best = highest ? 0 : 255;
        for (int y = y0; y < y0 + h; ++y) {
            for (int x = x0; x < x0 + w; ++x) {
                best = highest ? std::max(best, Alpha(x, y)) : std::min(best, Alpha(x, y));
            }
        }
        return best;
    }
};

// Fails the calling test unless the file is a texture file the library reads.
Texture Load(const std::string& name) {
    const std::string path = std::string(MORVA_TEXTURE_DIR) + "/" + name;
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    unsigned char head[plumo::texture_file::kHeaderBytes] = {};
    std::copy_n(bytes.begin(), std::min(bytes.size(), sizeof head), head);
    plumo::texture_file::Header header;
    const std::string why = plumo::texture_file::Parse(head, bytes.size(), header);
    if (!why.empty()) {
        ADD_FAILURE() << name << ": " << why;
        return {};
    }
    return {static_cast<int>(header.width), static_cast<int>(header.height),
            std::vector<unsigned char>(bytes.begin() + sizeof head, bytes.end())};
}

// Every file's size; cell sizes and the clear frame of `margin` texels kept
// inside every cell edge (0: no cells to check), except the trees' bottom,
// where the foot stands on the texture's edge.
struct Expected {
    const char* name;
    int width, height, cell_w, cell_h, margin;
    bool bottom_open = false;
};
constexpr Expected kFiles[] = {
    {"font_128_64.zqtex", 1024, 768, 64, 128, 2},
    {"distant_view.zqtex", 512, 256, 0, 0, 0},
    {"ground.zqtex", 512, 256, 0, 0, 0},
    {"wood.zqtex", 1024, 512, 256, 512, 4, true},
    {"pelomar256.zqtex", 768, 1024, 256, 256, 4},
    {"sword.zqtex", 1024, 1536, 512, 256, 4},
    {"smog.zqtex", 128, 128, 0, 0, 0},
    {"rock_enemy.zqtex", 1024, 512, 256, 256, 4},
    {"generate_hole.zqtex", 512, 368, 0, 0, 0},
    {"gauge.zqtex", 256, 32, 0, 0, 0},
    {"combo.zqtex", 32, 32, 0, 0, 0},
    {"life.zqtex", 32, 32, 0, 0, 0},
    {"bullet.zqtex", 64, 64, 0, 0, 0},
};

TEST(TextureBuild, EveryFileHasItsSizeFormatAndClearCellMargins) {
    for (const Expected& file : kFiles) {
        const Texture t = Load(file.name);
        EXPECT_EQ(t.width, file.width) << file.name;
        EXPECT_EQ(t.height, file.height) << file.name;
        if (file.margin == 0 || t.width != file.width || t.height != file.height) {
            continue;
        }
        const int w = file.cell_w, h = file.cell_h, m = file.margin;
        for (int cy = 0; cy < t.height; cy += h) {
            for (int cx = 0; cx < t.width; cx += w) {
                const int edges =
                    std::max({t.MaxAlpha(cx, cy, w, m), t.MaxAlpha(cx, cy, m, h),
                              t.MaxAlpha(cx + w - m, cy, m, h),
                              file.bottom_open ? 0 : t.MaxAlpha(cx, cy + h - m, w, m)});
                EXPECT_EQ(edges, 0) << file.name << ": an edge of cell " << cx << "," << cy;
            }
        }
    }
    // The title screen draws the top-left 600 x 160.
    const Texture title = Load("title.zqtex");
    ASSERT_TRUE(title.width >= 600 && title.height >= 160);
    EXPECT_GT(title.MaxAlpha(0, 0, 600, 160), 200) << "the logo is missing";
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
        const bool blank = code == 32 || code == 127;
        EXPECT_EQ(font.MaxAlpha(x, y, 64, 128), blank ? 0 : 255)
            << "code " << code << (blank ? " must be empty" : " has no glyph");
    }
    // White glyph with a dark outline, so text reads on sky and grass alike.
    const int cell_x = 64 * (('H' - 32) % 16), cell_y = 128 * (('H' - 32) / 16);
    int brightest = 0, darkest = 255;
    for (int y = cell_y; y < cell_y + 128; ++y) {
        for (int x = cell_x; x < cell_x + 64; ++x) {
            const unsigned char* p = font.At(x, y);
            if (p[3] == 255) {
                brightest = std::max<int>(brightest, std::min({p[0], p[1], p[2]}));
                darkest = std::min<int>(darkest, std::max({p[0], p[1], p[2]}));
            }
        }
    }
    EXPECT_GT(brightest, 240);
    EXPECT_LT(darkest, 80);
}

// The glyph rows that hold ink in the cell of one character.
std::pair<int, int> InkRows(const Texture& font, char c) {
    const int x = 64 * ((c - 32) % 16), y = 128 * ((c - 32) / 16);
    int top = 128, bottom = -1;
    for (int row = 0; row < 128; ++row) {
        if (font.MaxAlpha(x, y + row, 64, 1) > 0) {
            top = std::min(top, row);
            bottom = row;
        }
    }
    return {top, bottom};
}

TEST(TextureBuild, ComboLabelClearsItsGaugeAndScoreTextSharesOneBaseline) {
    const Texture font = Load("font_128_64.zqtex");
    ASSERT_EQ(font.height, 768);
    // The score board writes "COMBO!" 100 high from y 160; its gauge frame
    // starts at y 220.
    constexpr double kLabelTop = 160, kLabelHeight = 100, kGaugeTop = 220;
    for (const char c : std::string("COMBO!")) {
        const double inkBottom = kLabelTop + (InkRows(font, c).second + 1) * kLabelHeight / 128;
        EXPECT_LT(inkBottom, kGaugeTop) << "'" << c << "' runs into the combo gauge";
    }
    // Label and digits of a score line stand on one line, so the twelve
    // digits read as one number under the high-score digits.
    const int baseline = InkRows(font, 'E').second;
    for (const char c : std::string("SCORE:HI0123456789")) {
        EXPECT_NEAR(InkRows(font, c).second, baseline, 2) << "'" << c << "' leaves the baseline";
    }
}

// The ink columns of one character's cell: first and last.
std::pair<int, int> InkColumns(const Texture& font, char c) {
    const int x = 64 * ((c - 32) % 16), y = 128 * ((c - 32) / 16);
    int left = 64, right = -1;
    for (int column = 0; column < 64; ++column) {
        if (font.MaxAlpha(x + column, y, 1, 128) >= 128) {
            left = std::min(left, column);
            right = column;
        }
    }
    return {left, right};
}

// Text advances by whole cells, so a glyph off-centre or much narrower than
// its neighbours opens a gap inside a word ("H I SCORE", "S t a r t ! !").
TEST(TextureBuild, GlyphsAreCentredAndBroadEnoughToHoldWordsTogether) {
    const Texture font = Load("font_128_64.zqtex");
    ASSERT_EQ(font.width, 1024);
    for (char c = '!'; c < 127; ++c) {
        const auto [left, right] = InkColumns(font, c);
        EXPECT_LE(std::abs(left - (63 - right)), 2) << "'" << c << "' is off the cell's centre";
    }
    for (const char c : std::string("HISCORE:0123456789Start!!Clear!Retry?PushSpaceKeyCOMBO!")) {
        const auto [left, right] = InkColumns(font, c);
        EXPECT_GE(right - left + 1, 34) << "'" << c << "' is too narrow for its cell";
    }
}

// Whether what a player sees is what the rules hit: at every frame a sword
// step's hit window is open, its hit circle lies under the drawn swing.
TEST(TextureBuild, SwordTrailCoversTheHitCircleWhileTheWindowIsOpen) {
    using morva::kAttackSteps;
    using morva::kSwordAnimes;
    const Texture sword = Load("sword.zqtex");
    ASSERT_EQ(sword.width, 1024);
    for (const morva::AttackStep& step : kAttackSteps) {
        for (const morva::SwordAnime& anime : kSwordAnimes) {
            if (anime.id / 100 * 100 != step.swordAnimeBase) {
                continue;
            }
            const double ahead = anime.id % 100 == morva::kSwordAnimeRight ? 1.0 : -1.0;
            const double left = ahead * step.swordOffsetX - step.swordHalfW;
            const double top = step.swordOffsetY - step.swordHalfH;
            for (int64_t time = step.windowStart + 1; time <= step.WindowEnd(); ++time) {
                size_t frame = 0;
                for (int64_t elapsed = anime.durations[0]; elapsed <= time && frame + 1 < 6;) {
                    elapsed += anime.durations[++frame];
                }
                // Sample the circle on screen, relative to the hero's centre,
                // and read the texel the library draws there.
                int inside = 0, covered = 0;
                const double r = step.hitRadius;
                for (double dy = -r; dy <= r; dy += 2) {
                    for (double dx = -r; dx <= r; dx += 2) {
                        if (dx * dx + dy * dy > r * r) {
                            continue;
                        }
                        const double u =
                            (ahead * step.hitOffsetX + dx - left) / (2 * step.swordHalfW);
                        const double v = (step.hitOffsetY + dy - top) / (2 * step.swordHalfH);
                        const int tx = static_cast<int>(std::floor(anime.srcX + u * anime.srcW));
                        const int ty =
                            static_cast<int>(std::floor(anime.srcY[frame] + v * anime.srcH));
                        ++inside;
                        covered +=
                            sword.Alpha(std::clamp(tx, 0, 1023), std::clamp(ty, 0, 1535)) >= 128;
                    }
                }
                EXPECT_GE(covered, inside * 9 / 10)
                    << "swing " << anime.id << " at step time " << time << " shows only " << covered
                    << " of " << inside << " points of its hit circle";
            }
        }
    }
}

// What tells a hit is the rock's hurt face, recoil and life bar; the swing's
// own light is cold (steel, the blue-white trail), so no swing frame carries
// the warm bright star of an impact. A hand's worth of warm skin is allowed.
// And a swing fades out before its cell's clear margin instead of ending on
// the cell's straight edge.
TEST(TextureBuild, SwingsHoldNoImpactStarAndFadeOutInsideTheirCells) {
    const Texture sword = Load("sword.zqtex");
    ASSERT_EQ(sword.height, 1536);
    constexpr int kCellW = 512, kCellH = 256, kMargin = 4, kBand = 8;
    for (int cy = 0; cy < sword.height; cy += kCellH) {
        for (int cx = 0; cx < sword.width; cx += kCellW) {
            int warm = 0;
            for (int y = cy; y < cy + kCellH; ++y) {
                for (int x = cx; x < cx + kCellW; ++x) {
                    const unsigned char* p = sword.At(x, y);
                    warm += p[3] > 128 && p[0] > 220 && p[1] > 200 && p[2] + 40 < p[0];
                }
            }
            EXPECT_LT(warm, 200) << "swing cell " << cx << "," << cy << " shows a star";
            const int inner = std::max({
                sword.MaxAlpha(cx, cy + kMargin, kCellW, kBand),
                sword.MaxAlpha(cx, cy + kCellH - kMargin - kBand, kCellW, kBand),
                sword.MaxAlpha(cx + kMargin, cy, kBand, kCellH),
                sword.MaxAlpha(cx + kCellW - kMargin - kBand, cy, kBand, kCellH),
            });
            EXPECT_LT(inner, 128) << "swing cell " << cx << "," << cy << " is cut by its edge";
        }
    }
}

// Dust drawn over the grass, fading: its fill must differ from the grass's
// own colour even where it is darkest, and a broad dark rim must hold it
// apart while it fades.
TEST(TextureBuild, DustPuffsStandApartFromTheGrass) {
    const Texture ground = Load("ground.zqtex");
    const Texture puff = Load("smog.zqtex");
    ASSERT_TRUE(ground.width == 512 && puff.width == 128);
    double grass[3] = {};
    for (int y = 0; y < ground.height; ++y) {
        for (int x = 0; x < ground.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                grass[c] += ground.At(x, y)[c] / (512.0 * ground.height);
            }
        }
    }
    std::vector<double> distances;
    int rim = 0, opaque = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const unsigned char* p = puff.At(x, y);
            if (p[3] < 255) {
                continue;
            }
            ++opaque;
            if (std::max({p[0], p[1], p[2]}) < 80) {
                ++rim;
                continue;
            }
            distances.push_back(std::hypot(p[0] - grass[0], p[1] - grass[1], p[2] - grass[2]));
        }
    }
    ASSERT_GT(distances.size(), 1000u);
    std::sort(distances.begin(), distances.end());
    EXPECT_GT(distances[distances.size() / 10], 100.0) << "a tenth of the puff is grass-coloured";
    EXPECT_GT(rim * 5, opaque) << "the dark rim is too thin to hold the puff apart";
}

// Mean RGB difference between n texels of a and of b, stepping (dx, dy).
double MeanDiff(const Texture& a, int ax, int ay, const Texture& b, int bx, int by, int dx, int dy,
                int n) {
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            sum += std::abs(a.At(ax + i * dx, ay + i * dy)[c] - b.At(bx + i * dx, by + i * dy)[c]);
        }
    }
    return sum / (n * 3);
}

TEST(TextureBuild, BackgroundsAreOpaqueAndTheGroundTilesSeamlessly) {
    const Texture ground = Load("ground.zqtex");
    const Texture sky = Load("distant_view.zqtex");
    ASSERT_TRUE(ground.width == 512 && sky.width == 512);
    EXPECT_EQ(ground.MinAlpha(0, 0, 512, 256), 255) << "holes in the ground";
    EXPECT_EQ(sky.MinAlpha(0, 0, 512, 256), 255) << "holes in the sky";
    EXPECT_LT(MeanDiff(ground, 0, 0, ground, 511, 0, 0, 1, 256), 6.0)
        << "left and right edges of the ground differ";
    // The horizon: the sky's bottom row meets the ground's top row in tone.
    EXPECT_LT(MeanDiff(sky, 0, 255, ground, 0, 0, 1, 0, 512), 24.0);
}

TEST(TextureBuild, GaugeFrameIsHollowAndBarFillsStretchCleanly) {
    const Texture gauge = Load("gauge.zqtex");
    ASSERT_EQ(gauge.width, 256);
    EXPECT_EQ(gauge.MaxAlpha(20, 12, 216, 8), 0) << "the bar must show through the frame";
    EXPECT_EQ(gauge.Alpha(128, 1), 255) << "the frame's rim";
    for (const char* name : {"combo.zqtex", "life.zqtex"}) {
        const Texture bar = Load(name);
        ASSERT_EQ(bar.width, 32) << name;
        EXPECT_EQ(bar.MinAlpha(0, 0, 32, 32), 255) << name;
        for (int x = 1; x < 32; ++x) {
            ASSERT_EQ(MeanDiff(bar, x, 0, bar, 0, 0, 0, 1, 32), 0.0)
                << name << ": colour changes along x, stretching would show it";
        }
    }
}

TEST(ProgramIcon, HasFourSizesOfOneOpaqueDesign) {
    const plumo::Icon& icon = morva::ProgramIcon();
    ASSERT_EQ(icon.imageCount, 4);
    for (int i = 0; i < 4; ++i) {
        const plumo::IconImage& image = icon.images[i];
        ASSERT_EQ(image.size, 16 * (i + 1));
        ASSERT_NE(image.rgba, nullptr);
        const int64_t n = image.size;
        const unsigned char* centre = image.rgba + ((n / 2) * n + n / 2) * 4;
        EXPECT_EQ(centre[3], 255) << "size " << n;
        EXPECT_LT(image.rgba[3], 64) << "rounded corner of size " << n;
    }
}

// Scaled down, the big design's thin strokes turn to mud; the small sizes are
// drawn for their size, with a light blade in a dark rim.
TEST(ProgramIcon, SmallSizesShowALightBladeInADarkRim) {
    const plumo::Icon& icon = morva::ProgramIcon();
    for (int i = 0; i < icon.imageCount; ++i) {
        const plumo::IconImage& image = icon.images[i];
        const int n = static_cast<int>(image.size);
        if (n > 32) {
            continue;
        }
        const auto pixel = [&](int x, int y) { return image.rgba + (y * n + x) * 4; };
        int light = 0, rimmed = 0;
        for (int y = 1; y + 1 < n; ++y) {
            for (int x = 1; x + 1 < n; ++x) {
                const unsigned char* p = pixel(x, y);
                if (std::min({p[0], p[1], p[2]}) <= 220) {
                    continue;
                }
                ++light;
                bool dark = false;
                for (int dy = -2; dy <= 2; ++dy) {
                    for (int dx = -2; dx <= 2; ++dx) {
                        const int nx = std::clamp(x + dx, 0, n - 1),
                                  ny = std::clamp(y + dy, 0, n - 1);
                        const unsigned char* q = pixel(nx, ny);
                        dark = dark || std::max({q[0], q[1], q[2]}) < 80;
                    }
                }
                rimmed += dark;
            }
        }
        EXPECT_GE(light * 3, n) << "size " << n << ": no light blade";
        EXPECT_EQ(rimmed, light) << "size " << n << ": blade without its dark rim";
    }
}

}  // namespace
