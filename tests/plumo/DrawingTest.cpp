// Pixels of offscreen frames: mirroring, rotation, colour and alpha.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <SDL.h>
#include <SDL_image.h>

#include "Harness.h"

namespace plumo::test {
namespace {

struct Rgb {
    int r, g, b;
};
constexpr Rgb R{255, 0, 0}, G{0, 255, 0}, B{0, 0, 255}, W{255, 255, 255}, K{0, 0, 0};

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteQuadrantPng("draw.zqtex");
        dir_ = ScratchDir("shots");
        SetSettings({{"PLUMO_VIDEO", "offscreen"},
                     {"PLUMO_SHOT_FRAMES", "0,2"},
                     {"PLUMO_SHOT_DIR", dir_.string()}});
        Open(&cell_);
        texture_ = Load("draw.zqtex");
    }
    void TearDown() override {
        SDL_FreeSurface(shot_);
        Drop(texture_);
        Library().Free();
    }

    // 200 x 100 pictures keep the quadrant centres clear of the smoothing.
    void Draw(double x, double y, double srcX, double srcY, double srcW, double srcH, double r = 1,
              double g = 1, double b = 1, double alpha = 1) {
        Library().DrawTex(texture_, srcX, srcY, srcW, srcH, x, y, 200, 100, r, g, b, alpha);
    }

    void Shoot(const char* name) {
        SDL_FreeSurface(shot_);
        shot_ = IMG_Load((dir_ / name).c_str());
        ASSERT_NE(shot_, nullptr) << IMG_GetError();
        ASSERT_EQ(shot_->w, 1600);
        ASSERT_EQ(shot_->h, 900);
    }

    void ExpectAt(int x, int y, Rgb want) const {
        Uint32 pixel = 0;
        const int bytes = shot_->format->BytesPerPixel;
        std::memcpy(&pixel, static_cast<const Uint8*>(shot_->pixels) + y * shot_->pitch + x * bytes,
                    bytes);
        Uint8 r = 0, g = 0, b = 0;
        SDL_GetRGB(pixel, shot_->format, &r, &g, &b);
        EXPECT_TRUE(std::abs(r - want.r) <= 3 && std::abs(g - want.g) <= 3 &&
                    std::abs(b - want.b) <= 3)
            << "pixel (" << x << ", " << y << ") is " << +r << "," << +g << "," << +b << ", want "
            << want.r << "," << want.g << "," << want.b;
    }

    // The four quadrant centres of the 200 x 100 picture at (x, y).
    void ExpectQuadrants(int x, int y, Rgb tl, Rgb tr, Rgb bl, Rgb br) const {
        ExpectAt(x + 50, y + 25, tl);
        ExpectAt(x + 150, y + 25, tr);
        ExpectAt(x + 50, y + 75, bl);
        ExpectAt(x + 150, y + 75, br);
    }

    std::filesystem::path dir_;
    uint64_t cell_ = 0;
    Texture* texture_ = nullptr;
    SDL_Surface* shot_ = nullptr;
};

TEST_F(DrawingTest, NegativeSourceSizesMirror) {
    Draw(0, 0, 0, 0, 64, 32);
    Draw(300, 0, 64, 0, -64, 32);
    Draw(600, 0, 0, 32, 64, -32);
    Draw(900, 0, 64, 32, -64, -32);
    Draw(1200, 0, 64, 0, -32, 32);  // the right half alone, mirrored
    Library().Act();
    Shoot("frame-000000.png");
    ExpectQuadrants(0, 0, R, G, B, W);
    ExpectQuadrants(300, 0, G, R, W, B);
    ExpectQuadrants(600, 0, B, W, R, G);
    ExpectQuadrants(900, 0, W, B, G, R);
    ExpectQuadrants(1200, 0, G, G, W, W);
}

TEST_F(DrawingTest, RotationTurnsClockwiseAboutTheGivenCentre) {
    const Exports& lib = Library();
    lib.DrawTexRot(texture_, 0, 0, 64, 32, 200, 300, 200, 100, 100, 50, M_PI / 2, 1, 1, 1, 1);
    lib.DrawTexRot(texture_, 0, 0, 64, 32, 800, 300, 200, 100, 0, 0, M_PI / 2, 1, 1, 1, 1);
    lib.DrawTexRot(texture_, 64, 0, -64, 32, 1200, 300, 200, 100, 100, 50, M_PI, 1, 1, 1, 1);
    lib.Act();
    Shoot("frame-000000.png");
    // About its centre (300, 350): covers x 250..350, y 250..450.
    const struct {
        int x, y;
        Rgb want;
    } pixels[] = {{325, 300, R},
                  {325, 400, G},
                  {275, 300, B},
                  {275, 400, W},
                  {210, 350, K},
                  // About its top-left corner: swings to x 700..800, y 300..500.
                  {775, 350, R},
                  {725, 450, W},
                  {850, 350, K}};
    for (const auto& [x, y, want] : pixels) {
        ExpectAt(x, y, want);
    }
    // Mirrored and turned half round: reads as flipped upside down.
    ExpectQuadrants(1200, 300, B, W, R, G);
}

TEST_F(DrawingTest, ColourFactorsAndAlphaAreClampedAndOnlyListedFramesAreShot) {
    Draw(0, 600, 0, 0, 64, 32, 0, 1, 1);
    Draw(300, 600, 0, 0, 64, 32, -1, 2, 0.5, 5);
    Draw(600, 600, 0, 0, 64, 32, 1, 1, 1, 0.5);
    Draw(900, 600, 0, 0, 64, 32, 1, 1, 1, -1);
    Library().Act();
    Library().DrawTex(texture_, 0, 0, 64, 32, 0, 0, 1600, 900, 1, 1, 1, 1);
    Library().Act();
    Library().Act();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "frame-000001.png"));
    Shoot("frame-000000.png");
    ExpectQuadrants(0, 600, K, G, B, {0, 255, 255});
    ExpectQuadrants(300, 600, K, G, {0, 0, 128}, {0, 255, 128});
    ExpectQuadrants(600, 600, {128, 0, 0}, {0, 128, 0}, {0, 0, 128}, {128, 128, 128});
    ExpectQuadrants(900, 600, K, K, K, K);
    Shoot("frame-000002.png");  // each frame starts from black
    ExpectQuadrants(0, 600, K, K, K, K);
}

}  // namespace
}  // namespace plumo::test
