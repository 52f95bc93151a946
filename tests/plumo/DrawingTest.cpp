// Pixels of offscreen frames: mirroring, rotation, colour and alpha.
#include <gtest/gtest.h>

#include <cstring>

#include <SDL.h>
#include <SDL_image.h>

#include "Harness.h"

namespace plumo::test {
namespace {

struct Rgb {
    int r, g, b;
};

struct Factors {
    double r, g, b;
};

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteQuadrantPng("draw.zqtex");
        dir_ = ScratchDir("shots");
        SetSettings({{"PLUMO_VIDEO", "offscreen"},
                     {"PLUMO_SHOT_FRAMES", "0,2"},
                     {"PLUMO_SHOT_DIR", dir_.string()}});
        Open(&cell_);
        texture_ = Library().LoadTex(OwnedString(u"draw.zqtex").get());
    }

    void TearDown() override {
        if (shot_ != nullptr) {
            SDL_FreeSurface(shot_);
        }
        Drop(texture_);
        Library().Free();
    }

    // Each picture is 200 x 100 so quadrant centres lie well inside the
    // smoothing at the quadrant borders.
    void Draw(double x, double y, double srcX, double srcY, double srcW, double srcH,
              Factors factors = {1, 1, 1}, double alpha = 1) {
        Library().DrawTex(texture_, srcX, srcY, srcW, srcH, x, y, 200, 100, factors.r, factors.g,
                          factors.b, alpha);
    }

    void Shoot(const char* name) {
        shot_ = IMG_Load((dir_ / name).c_str());
        ASSERT_NE(shot_, nullptr) << IMG_GetError();
        ASSERT_EQ(shot_->w, 1600);
        ASSERT_EQ(shot_->h, 900);
    }

    Rgb At(int x, int y) const {
        Uint32 pixel = 0;
        const auto* row = static_cast<const Uint8*>(shot_->pixels) + y * shot_->pitch;
        std::memcpy(&pixel, row + x * shot_->format->BytesPerPixel, shot_->format->BytesPerPixel);
        Uint8 r = 0, g = 0, b = 0;
        SDL_GetRGB(pixel, shot_->format, &r, &g, &b);
        return {r, g, b};
    }

    // Colours of the four quadrant centres of the picture at (x, y).
    void ExpectQuadrants(int x, int y, Rgb tl, Rgb tr, Rgb bl, Rgb br) const {
        const Rgb expected[] = {tl, tr, bl, br};
        const int offsets[][2] = {{50, 25}, {150, 25}, {50, 75}, {150, 75}};
        for (int i = 0; i < 4; ++i) {
            const Rgb got = At(x + offsets[i][0], y + offsets[i][1]);
            EXPECT_NEAR(got.r, expected[i].r, 3) << "picture " << x << "," << y << " part " << i;
            EXPECT_NEAR(got.g, expected[i].g, 3) << "picture " << x << "," << y << " part " << i;
            EXPECT_NEAR(got.b, expected[i].b, 3) << "picture " << x << "," << y << " part " << i;
        }
    }

    static constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255},
        kWhite{255, 255, 255}, kBlack{0, 0, 0};

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
    // The right half alone, mirrored: green and white come out swapped in place.
    Draw(1200, 0, 64, 0, -32, 32);
    Library().Act();
    Shoot("frame-000000.png");
    ExpectQuadrants(0, 0, kRed, kGreen, kBlue, kWhite);
    ExpectQuadrants(300, 0, kGreen, kRed, kWhite, kBlue);
    ExpectQuadrants(600, 0, kBlue, kWhite, kRed, kGreen);
    ExpectQuadrants(900, 0, kWhite, kBlue, kGreen, kRed);
    ExpectQuadrants(1200, 0, kGreen, kGreen, kWhite, kWhite);
}

TEST_F(DrawingTest, RotationTurnsClockwiseAboutTheGivenCentre) {
    const double quarter = M_PI / 2;
    Library().DrawTexRot(texture_, 0, 0, 64, 32, 200, 300, 200, 100, 100, 50, quarter, 1, 1, 1, 1);
    // Turned about its top-left corner, the picture swings down-left of it.
    Library().DrawTexRot(texture_, 0, 0, 64, 32, 800, 300, 200, 100, 0, 0, quarter, 1, 1, 1, 1);
    // Mirrored and turned half round: reads as flipped upside down.
    Library().DrawTexRot(texture_, 64, 0, -64, 32, 1200, 300, 200, 100, 100, 50, M_PI, 1, 1, 1, 1);
    Library().Act();
    Shoot("frame-000000.png");
    // Centre (300, 350); a quarter turn clockwise maps offset (dx, dy) to (-dy, dx).
    EXPECT_NEAR(At(325, 300).r, 255, 3);
    EXPECT_NEAR(At(325, 400).g, 255, 3);
    EXPECT_NEAR(At(275, 300).b, 255, 3);
    EXPECT_NEAR(At(275, 400).g, 255, 3);
    EXPECT_NEAR(At(275, 400).r, 255, 3);
    EXPECT_NEAR(At(210, 350).r + At(210, 350).g + At(210, 350).b, 0, 3);
    // Corner (800, 300): the picture now covers x 700..800, y 300..500.
    EXPECT_NEAR(At(775, 350).r, 255, 3);
    EXPECT_NEAR(At(725, 450).b, 255, 3);
    EXPECT_NEAR(At(850, 350).r + At(850, 350).g, 0, 3);
    ExpectQuadrants(1200, 300, kBlue, kWhite, kRed, kGreen);
}

TEST_F(DrawingTest, ColourFactorsAndAlphaAreClamped) {
    Draw(0, 600, 0, 0, 64, 32, {0, 1, 1});
    Draw(300, 600, 0, 0, 64, 32, {-1, 2, 0.5}, 5);
    Draw(600, 600, 0, 0, 64, 32, {1, 1, 1}, 0.5);
    Draw(900, 600, 0, 0, 64, 32, {1, 1, 1}, -1);
    Library().Act();
    Library().DrawTex(texture_, 0, 0, 64, 32, 0, 0, 1600, 900, 1, 1, 1, 1);
    Library().Act();
    // Frame 1 is not listed, frame 2 is; and each frame starts from black.
    Library().Act();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "frame-000001.png"));
    Shoot("frame-000000.png");
    ExpectQuadrants(0, 600, kBlack, kGreen, kBlue, {0, 255, 255});
    ExpectQuadrants(300, 600, kBlack, kGreen, {0, 0, 128}, {0, 255, 128});
    ExpectQuadrants(600, 600, {128, 0, 0}, {0, 128, 0}, {0, 0, 128}, {128, 128, 128});
    ExpectQuadrants(900, 600, kBlack, kBlack, kBlack, kBlack);
    SDL_FreeSurface(shot_);
    shot_ = nullptr;
    Shoot("frame-000002.png");
    ExpectQuadrants(0, 600, kBlack, kBlack, kBlack, kBlack);
}

}  // namespace
}  // namespace plumo::test
