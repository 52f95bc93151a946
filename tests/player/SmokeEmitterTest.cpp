#include "player/SmokeEmitter.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "FakeLibrary.h"

namespace morva {
namespace {

constexpr double kSpin = 0.5;     // radians per frame
constexpr double kFade = 0.25;    // opacity per frame
constexpr int64_t kLifetime = 2;  // frames
constexpr double kSize = 30.0;    // pixels
constexpr int64_t kCapacity = 3;

class SmokeEmitterTest : public ::testing::Test {
protected:
    void SetUp() override { smoke.Init(kSpin, kFade, kLifetime, kSize, 0.0, 0.0, kCapacity); }

    void Update(int64_t times) {
        for (int64_t i = 0; i < times; ++i) {
            smoke.Update();
        }
    }

    fake::FakeLibrary library;
    SmokeEmitter smoke;
};

TEST_F(SmokeEmitterTest, PuffAgesSpinsFadesAndRetiresAfterItsLifetime) {
    smoke.Emit(10, 20);
    ASSERT_TRUE(smoke.IsActive(0));
    for (int64_t age = 1; age <= kLifetime + 1; ++age) {
        smoke.Update();
        ASSERT_TRUE(smoke.IsActive(0)) << "age " << age;
        EXPECT_EQ(smoke.GetAge(0), age);
        EXPECT_DOUBLE_EQ(smoke.GetAngle(0), kSpin * age);
        EXPECT_DOUBLE_EQ(smoke.GetAlpha(0), 1.0 - kFade * age);
        EXPECT_EQ(smoke.GetX(0), 10.0);
        EXPECT_EQ(smoke.GetY(0), 20.0);
    }
    smoke.Update();
    EXPECT_FALSE(smoke.IsActive(0));
    // Retiring changes nothing else.
    EXPECT_EQ(smoke.GetAge(0), kLifetime + 1);
    EXPECT_DOUBLE_EQ(smoke.GetAngle(0), kSpin * (kLifetime + 1));
}

TEST_F(SmokeEmitterTest, FullPoolRefusesAndKeepsItsPuffs) {
    for (int64_t i = 0; i < kCapacity; ++i) {
        smoke.Emit(100.0 * i, 0);
        smoke.Update();
    }
    smoke.Emit(999, 999);
    for (int64_t i = 0; i < kCapacity; ++i) {
        ASSERT_TRUE(smoke.IsActive(i)) << "slot " << i;
        EXPECT_EQ(smoke.GetX(i), 100.0 * i) << "slot " << i;
        EXPECT_EQ(smoke.GetAge(i), kCapacity - i) << "slot " << i;
    }
}

TEST_F(SmokeEmitterTest, NewPuffTakesTheLowestFreeSlotAndKeepsItsAngle) {
    smoke.Emit(1, 1);  // slot 0, retired first
    smoke.Update();
    smoke.Emit(2, 2);  // slot 1
    Update(kLifetime + 1);
    ASSERT_FALSE(smoke.IsActive(0));
    ASSERT_TRUE(smoke.IsActive(1));
    const double oldAngle = smoke.GetAngle(0);
    ASSERT_DOUBLE_EQ(oldAngle, kSpin * (kLifetime + 1));

    smoke.Emit(5, 6);
    ASSERT_TRUE(smoke.IsActive(0));
    EXPECT_EQ(smoke.GetX(0), 5.0);
    EXPECT_EQ(smoke.GetY(0), 6.0);
    EXPECT_EQ(smoke.GetAge(0), 0);
    EXPECT_EQ(smoke.GetAlpha(0), 1.0);
    EXPECT_EQ(smoke.GetAngle(0), oldAngle);
    EXPECT_FALSE(smoke.IsActive(2));
}

TEST_F(SmokeEmitterTest, EmptyPoolUpdatesToNothing) {
    Update(5);
    for (int64_t i = 0; i < kCapacity; ++i) {
        EXPECT_FALSE(smoke.IsActive(i));
        EXPECT_EQ(smoke.GetAge(i), 0);
        EXPECT_EQ(smoke.GetAngle(i), 0.0);
    }
    EXPECT_EQ(smoke.GetSize(), kSize);
    EXPECT_THROW(smoke.IsActive(kCapacity), std::out_of_range);
}

}  // namespace
}  // namespace morva
