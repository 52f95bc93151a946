#include "actors/Body.h"

#include <gtest/gtest.h>

#include <cmath>

#include "FakeLibrary.h"

namespace morva {
namespace {

class MoverTest : public ::testing::Test {
protected:
    void SetUp() override { mover.Init(); }
    fake::FakeLibrary library;
    Mover mover;
};

TEST_F(MoverTest, MoveVectorMovesTheBodysOwnPositionEveryFrame) {
    const Vec2Ref pos = mover.GetPos();  // a handle on the body's own vector
    mover.Set(10, 20, 3, 4);             // the velocity never moves the body
    mover.SetMove(3, -1);
    for (int frame = 1; frame <= 3; ++frame) {
        mover.Move();
        ASSERT_EQ(pos->GetX(), 10 + 3 * frame) << "frame " << frame;
        ASSERT_EQ(pos->GetY(), 20 - frame) << "frame " << frame;
    }
    pos->Set(42, -7);
    EXPECT_EQ(mover.GetX(), 42.0);
    mover.GetVel()->Set(0, 9);
    EXPECT_EQ(mover.GetVY(), 9.0);
}

TEST_F(MoverTest, PolarViewChangesOnlyWhenAsked) {
    mover.Set(1, 2, 3, 4);
    EXPECT_DOUBLE_EQ(mover.GetSpeed(), 5.0);
    EXPECT_DOUBLE_EQ(mover.GetAngle(), std::atan2(4.0, 3.0));
    mover.SetVel(-10, 0);  // the polar view stays
    EXPECT_DOUBLE_EQ(mover.GetSpeed(), 5.0);
    for (double speed : {0.0, 1234.5}) {
        mover.SetPolar(5, 6, 2.5, speed);
        mover.SetSpeed(-1);
        mover.UpdateSpeed();
        EXPECT_NEAR(mover.GetSpeed(), speed, 1e-9) << "speed " << speed;
        EXPECT_EQ(mover.GetAngle(), 2.5);
    }
    // Normalising keeps speed and angle; a zero velocity stays zero.
    mover.SetSpeed(3.0);
    for (double vy : {0.0, -8.0}) {
        mover.SetVel(0, vy);
        mover.NormalizeVel();
        EXPECT_EQ(mover.GetVY(), vy == 0.0 ? 0.0 : -1.0) << "vy " << vy;
        EXPECT_EQ(mover.GetVX(), 0.0);
        EXPECT_EQ(mover.GetSpeed(), 3.0);
        EXPECT_EQ(mover.GetAngle(), 2.5);
    }
}

}  // namespace
}  // namespace morva
