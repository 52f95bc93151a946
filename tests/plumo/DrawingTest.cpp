// Pixels of offscreen frames: mirroring, rotation, colour and alpha.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <SDL_image.h>

#include "Harness.h"

namespace plumo::test {
namespace {

struct Rgb {
    int r, g, b;
};
constexpr Rgb R{255, 0, 0}, G{0, 255, 0}, B{0, 0, 255}, W{255, 255, 255}, K{0, 0, 0};

void ExpectAt(SDL_Surface* shot, int x, int y, Rgb want) {
    Uint32 pixel = 0;
    const int bytes = shot->format->BytesPerPixel;
    std::memcpy(&pixel, static_cast<const Uint8*>(shot->pixels) + y * shot->pitch + x * bytes,
                bytes);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, shot->format, &r, &g, &b);
    EXPECT_TRUE(std::abs(r - want.r) <= 3 && std::abs(g - want.g) <= 3 && std::abs(b - want.b) <= 3)
        << "pixel (" << x << ", " << y << ") is " << +r << "," << +g << "," << +b << ", want "
        << want.r << "," << want.g << "," << want.b;
}

// The quadrant centres of a 200 x 100 picture at (x, y), clear of the smoothing.
void ExpectQuadrants(SDL_Surface* shot, int x, int y, Rgb tl, Rgb tr, Rgb bl, Rgb br) {
    ExpectAt(shot, x + 50, y + 25, tl);
    ExpectAt(shot, x + 150, y + 25, tr);
    ExpectAt(shot, x + 50, y + 75, bl);
    ExpectAt(shot, x + 150, y + 75, br);
}

TEST(Drawing, MirrorsRotatesTintsAndShootsOnlyListedFrames) {
    WriteQuadrantPng("draw.zqtex");
    const auto dir = ScratchDir("shots");
    SetSettings({{"PLUMO_VIDEO", "offscreen"},
                 {"PLUMO_SHOT_FRAMES", "0,2"},
                 {"PLUMO_SHOT_DIR", dir.string()}});
    uint64_t cell = 0;
    Open(&cell);
    const Exports& lib = Library();
    Texture* texture = Load("draw.zqtex");
    // Row 0: source rectangles x, y, w, h; negative sizes mirror.
    const double sources[][4] = {
        {0, 0, 64, 32}, {64, 0, -64, 32}, {0, 32, 64, -32}, {64, 32, -64, -32}, {64, 0, -32, 32}};
    for (int i = 0; i < 5; ++i) {
        lib.DrawTex(texture, sources[i][0], sources[i][1], sources[i][2], sources[i][3], 300 * i, 0,
                    200, 100, 1, 1, 1, 1);
    }
    // Row 300: a quarter turn about the centre and about the top-left corner;
    // mirrored and turned half round.
    lib.DrawTexRot(texture, 0, 0, 64, 32, 200, 300, 200, 100, 100, 50, M_PI / 2, 1, 1, 1, 1);
    lib.DrawTexRot(texture, 0, 0, 64, 32, 800, 300, 200, 100, 0, 0, M_PI / 2, 1, 1, 1, 1);
    lib.DrawTexRot(texture, 64, 0, -64, 32, 1200, 300, 200, 100, 100, 50, M_PI, 1, 1, 1, 1);
    // Row 600: colour factors r, g, b and alpha, clamped to 0..1.
    const double tints[][4] = {{0, 1, 1, 1}, {-1, 2, 0.5, 5}, {1, 1, 1, 0.5}, {1, 1, 1, -1}};
    for (int i = 0; i < 4; ++i) {
        lib.DrawTex(texture, 0, 0, 64, 32, 300 * i, 600, 200, 100, tints[i][0], tints[i][1],
                    tints[i][2], tints[i][3]);
    }
    lib.Act();
    lib.DrawTex(texture, 0, 0, 64, 32, 0, 0, 1600, 900, 1, 1, 1, 1);
    lib.Act();
    lib.Act();
    Drop(texture);
    lib.Free();
    EXPECT_FALSE(std::filesystem::exists(dir / "frame-000001.png"));
    SDL_Surface* shot = IMG_Load((dir / "frame-000000.png").c_str());
    ASSERT_NE(shot, nullptr) << IMG_GetError();
    EXPECT_EQ(shot->w * 10000 + shot->h, 1600 * 10000 + 900);
    ExpectQuadrants(shot, 0, 0, R, G, B, W);
    ExpectQuadrants(shot, 300, 0, G, R, W, B);
    ExpectQuadrants(shot, 600, 0, B, W, R, G);
    ExpectQuadrants(shot, 900, 0, W, B, G, R);
    ExpectQuadrants(shot, 1200, 0, G, G, W, W);
    // About the centre (300, 350) the picture covers x 250..350, y 250..450;
    // about the corner (800, 300) it swings to x 700..800, y 300..500.
    const struct {
        int x, y;
        Rgb want;
    } turned[] = {{325, 300, R}, {325, 400, G}, {275, 300, B}, {275, 400, W},
                  {210, 350, K}, {775, 350, R}, {725, 450, W}, {850, 350, K}};
    for (const auto& [x, y, want] : turned) {
        ExpectAt(shot, x, y, want);
    }
    ExpectQuadrants(shot, 1200, 300, B, W, R, G);
    ExpectQuadrants(shot, 0, 600, K, G, B, {0, 255, 255});
    ExpectQuadrants(shot, 300, 600, K, G, {0, 0, 128}, {0, 255, 128});
    ExpectQuadrants(shot, 600, 600, {128, 0, 0}, {0, 128, 0}, {0, 0, 128}, {128, 128, 128});
    ExpectQuadrants(shot, 900, 600, K, K, K, K);
    SDL_FreeSurface(shot);
    shot = IMG_Load((dir / "frame-000002.png").c_str());
    ASSERT_NE(shot, nullptr) << IMG_GetError();
    ExpectQuadrants(shot, 0, 600, K, K, K, K);  // each frame starts from black
    SDL_FreeSurface(shot);
}

}  // namespace
}  // namespace plumo::test
