#include "actors/Body.h"

#include <gtest/gtest.h>

#include <cmath>

#include "FakeLibrary.h"

namespace morva {
namespace {

constexpr double kTolerance = 1e-9;

class MoverTest : public ::testing::Test {
protected:
    void SetUp() override { mover.Init(); }

    fake::FakeLibrary library;
    Mover mover;
};

TEST_F(MoverTest, FreshMoverStaysAtTheOrigin) {
    mover.Move();
    EXPECT_EQ(mover.GetX(), 0.0);
    EXPECT_EQ(mover.GetY(), 0.0);
    EXPECT_EQ(mover.GetMoveX(), 0.0);
    EXPECT_EQ(mover.GetMoveY(), 0.0);
    EXPECT_EQ(mover.GetVX(), 0.0);
    EXPECT_EQ(mover.GetAngle(), 0.0);
    EXPECT_EQ(mover.GetSpeed(), 0.0);
}

TEST_F(MoverTest, MoveVectorPersistsFromFrameToFrame) {
    mover.SetPos(10, 20);
    mover.SetMove(3, 0);
    for (int frame = 1; frame <= 3; ++frame) {
        mover.Move();
        ASSERT_EQ(mover.GetX(), 10 + 3 * frame) << "frame " << frame;
        ASSERT_EQ(mover.GetY(), 20) << "frame " << frame;
    }
}

TEST_F(MoverTest, DecelerationBringsTheMoveToRest) {
    mover.SetMove(6, 0);
    for (int frame = 0; frame < 20; ++frame) {
        mover.AddMove(-0.3, 0);
    }
    EXPECT_NEAR(mover.GetMoveX(), 0.0, kTolerance);
    EXPECT_EQ(mover.GetMoveY(), 0.0);
}

TEST_F(MoverTest, SetKeepsSpeedAndAngleInStep) {
    mover.Set(1, 2, 3, 4);
    EXPECT_EQ(mover.GetX(), 1.0);
    EXPECT_EQ(mover.GetY(), 2.0);
    EXPECT_DOUBLE_EQ(mover.GetSpeed(), 5.0);
    EXPECT_DOUBLE_EQ(mover.GetAngle(), std::atan2(4.0, 3.0));
    // The velocity never moves the body; only the move vector does.
    mover.Move();
    EXPECT_EQ(mover.GetX(), 1.0);
    EXPECT_EQ(mover.GetY(), 2.0);
}

TEST_F(MoverTest, PolarRoundTripGivesTheSpeedBack) {
    for (double speed : {0.0, 0.5, 7.0, 1234.5}) {
        mover.SetPolar(5, 6, 2.5, speed);
        mover.SetSpeed(-1);
        mover.UpdateSpeed();
        EXPECT_NEAR(mover.GetSpeed(), speed, kTolerance) << "speed " << speed;
        EXPECT_EQ(mover.GetAngle(), 2.5);
    }
}

TEST_F(MoverTest, NormalizingAZeroVelocityLeavesEverythingAlone) {
    mover.SetAngle(1.0);
    mover.SetSpeed(3.0);
    mover.NormalizeVel();
    EXPECT_EQ(mover.GetVX(), 0.0);
    EXPECT_EQ(mover.GetVY(), 0.0);
    EXPECT_EQ(mover.GetAngle(), 1.0);
    EXPECT_EQ(mover.GetSpeed(), 3.0);

    mover.SetVel(0, -8);
    mover.NormalizeVel();
    EXPECT_EQ(mover.GetVX(), 0.0);
    EXPECT_EQ(mover.GetVY(), -1.0);
    EXPECT_EQ(mover.GetSpeed(), 3.0);
}

TEST_F(MoverTest, VelocityAndPolarViewsChangeOnlyWhenAsked) {
    mover.Set(0, 0, 3, 4);
    mover.SetVel(-10, 0);
    EXPECT_DOUBLE_EQ(mover.GetSpeed(), 5.0);
    EXPECT_DOUBLE_EQ(mover.GetAngle(), std::atan2(4.0, 3.0));
    mover.SetAngle(0.25);
    mover.AddAngle(0.5);
    EXPECT_EQ(mover.GetAngle(), 0.75);
    EXPECT_EQ(mover.GetVX(), -10.0);
    EXPECT_EQ(mover.GetVY(), 0.0);
}

TEST_F(MoverTest, GetPosHandsOutTheBodysOwnVector) {
    const Vec2Ref pos = mover.GetPos();
    pos->Set(42, -7);
    EXPECT_EQ(mover.GetX(), 42.0);
    EXPECT_EQ(mover.GetY(), -7.0);
    // ...and the handle follows the body as it moves.
    mover.SetMove(1, 1);
    mover.Move();
    EXPECT_EQ(pos->GetX(), 43.0);
    EXPECT_EQ(pos->GetY(), -6.0);
    EXPECT_EQ(mover.GetPos(), pos);

    const Vec2Ref vel = mover.GetVel();
    vel->Set(0, 9);
    EXPECT_EQ(mover.GetVY(), 9.0);
}

}  // namespace
}  // namespace morva
