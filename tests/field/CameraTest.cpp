#include "actors/Camera.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace morva {
namespace {

constexpr double kBandLeft = 500;    // pixels from the screen's left edge
constexpr double kBandRight = 1100;  // pixels

// The game scene's follow step: keep the player inside the band.
void Follow(Camera& camera, double playerX) {
    const double onScreen = playerX - camera.GetViewX();
    if (onScreen < kBandLeft) {
        camera.SetView(playerX - kBandLeft, 0);
    } else if (onScreen > kBandRight) {
        camera.SetView(playerX - kBandRight, 0);
    }
}

struct Reading {
    double viewX, viewY, shiftX, shiftY;
    bool operator==(const Reading&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Reading& r) {
    return out << "view (" << r.viewX << ", " << r.viewY << ") shift (" << r.shiftX << ", "
               << r.shiftY << ")";
}

Reading Read(const Camera& camera) {
    return {camera.GetViewX(), camera.GetViewY(), camera.GetShiftX(), camera.GetShiftY()};
}

TEST(CameraTest, NewCameraShowsTheOriginUnshifted) {
    Camera camera;
    camera.Init(0);
    EXPECT_EQ(Read(camera), (Reading{0, 0, 0, 0}));
    EXPECT_FALSE(camera.IsDelayed());
    EXPECT_EQ(camera.GetHistoryLength(), 1);
}

TEST(CameraTest, SetViewMovesTheViewAndNeverShifts) {
    Camera camera;
    camera.Init(0);
    std::vector<Reading> seen;
    for (const auto& [x, y] : std::vector<std::pair<double, double>>{
             {300, 0}, {-150.5, 0}, {2000, 40}, {2000, 40}, {-7000, -3}}) {
        camera.SetView(x, y);
        seen.push_back(Read(camera));
    }
    EXPECT_EQ(seen, (std::vector<Reading>{{300, 0, 0, 0},
                                          {-150.5, 0, 0, 0},
                                          {2000, 40, 0, 0},
                                          {2000, 40, 0, 0},
                                          {-7000, -3, 0, 0}}));
}

TEST(CameraTest, FollowKeepsThePlayerInTheBand) {
    struct Step {
        double playerX;
        double viewX;
    };
    // From view 0: 1200 is past the right edge of the band, 400 left of the
    // left edge (the view may go below 0), 800 inside.
    const std::vector<Step> steps = {
        {800, 0},       {1100, 0},   {1200, 100},    {1600, 500},    {1000, 500},    {1000.5, 500},
        {999.5, 499.5}, {400, -100}, {-2500, -3000}, {-1900, -3000}, {-1899, -2999}, {600, -500},
    };
    Camera camera;
    camera.Init(0);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        Follow(camera, steps[i].playerX);
        ASSERT_EQ(Read(camera), (Reading{steps[i].viewX, 0, 0, 0}))
            << "step " << i << ", player at " << steps[i].playerX;
        const double onScreen = steps[i].playerX - camera.GetViewX();
        EXPECT_GE(onScreen, kBandLeft) << "step " << i;
        EXPECT_LE(onScreen, kBandRight) << "step " << i;
    }
}

TEST(CameraTest, OneFrameDelayStillNeverShifts) {
    Camera camera;
    camera.Init(1);
    EXPECT_TRUE(camera.IsDelayed());
    EXPECT_EQ(camera.GetHistoryLength(), 2);
    for (double x : {100.0, 250.0, -40.0}) {
        camera.SetView(x, 7);
        EXPECT_EQ(Read(camera), (Reading{x, 7, 0, 0})) << "after SetView " << x;
    }
}

// The handles move down one entry per SetView and entries 0 and 1 end up as
// one vector, so after m calls entries 0 to m are that one vector: a delay-n
// camera shifts once, on its (n-1)-th SetView, by the distance from the
// origin, and never again.
TEST(CameraTest, DelayedCameraShiftsOnlyOnceFromTheOrigin) {
    Camera camera;
    camera.Init(3);
    EXPECT_TRUE(camera.IsDelayed());
    EXPECT_EQ(camera.GetHistoryLength(), 4);
    std::vector<Reading> seen;
    for (double x : {10.0, 25.0, 45.0, 70.0, 100.0}) {
        camera.SetView(x, -x);
        seen.push_back(Read(camera));
    }
    EXPECT_EQ(seen, (std::vector<Reading>{{10, -10, 0, 0},
                                          {25, -25, 25, -25},
                                          {45, -45, 0, 0},
                                          {70, -70, 0, 0},
                                          {100, -100, 0, 0}}));
}

TEST(CameraTest, NegativeDelayAndUseBeforeInitFail) {
    Camera camera;
    EXPECT_THROW(camera.Init(-1), std::invalid_argument);
    EXPECT_THROW(camera.GetViewX(), std::out_of_range);
    EXPECT_THROW(camera.SetView(1, 1), std::out_of_range);
    EXPECT_EQ(camera.GetShiftX(), 0.0);
}

}  // namespace
}  // namespace morva
