#include "core/Vec2.h"

#include <gtest/gtest.h>

#include "FakeLibrary.h"

namespace morva {
namespace {

#define EXPECT_VEC(v, ex, ey)                    \
    do {                                         \
        EXPECT_DOUBLE_EQ((v).GetX(), ex) << (v); \
        EXPECT_DOUBLE_EQ((v).GetY(), ey) << (v); \
    } while (false)

class Vec2Test : public ::testing::Test {
protected:
    fake::FakeLibrary library;
};

TEST_F(Vec2Test, InPlaceOperations) {
    Vec2 v;
    EXPECT_VEC(v, 0.0, 0.0);
    v.Set(1.5, -2.0);
    v.Add(0.5, 1.0);
    EXPECT_VEC(v, 2.0, -1.0);
    v.SetX(4.0);
    v.AddY(-2.0);
    EXPECT_VEC(v, 4.0, -3.0);
    v.SetY(1.0);
    v.AddX(-1.0);
    v.Scale(-2.0);
    EXPECT_VEC(v, -6.0, -2.0);
}

TEST_F(Vec2Test, LengthBothRoutes) {
    const Vec2Ref v = NewVec2(3.0, 4.0);
    EXPECT_DOUBLE_EQ(v->LengthSq(), 25.0);
    EXPECT_DOUBLE_EQ(v->Length(), 5.0);
    EXPECT_DOUBLE_EQ(VecLength(*v), 5.0);
    EXPECT_DOUBLE_EQ(VecLength(*NewVec2(-6.0, 8.0)), 10.0);
}

TEST_F(Vec2Test, NormalizeInPlace) {
    Vec2 v;
    v.Set(3.0, -4.0);
    v.Normalize();
    EXPECT_VEC(v, 0.6, -0.8);

    // The zero vector stays zero rather than dividing by zero.
    Vec2 zero;
    zero.Normalize();
    EXPECT_VEC(zero, 0.0, 0.0);
}

TEST_F(Vec2Test, VecNormalizedMakesANewVectorAndLeavesItsArgument) {
    const Vec2Ref zero = NewVec2(0.0, 0.0);
    const Vec2Ref unitOfZero = VecNormalized(*zero);
    ASSERT_NE(unitOfZero, nullptr);
    EXPECT_NE(unitOfZero.get(), zero.get());
    EXPECT_VEC(*unitOfZero, 0.0, 0.0);

    const Vec2Ref down = NewVec2(0.0, 5.0);
    const Vec2Ref unit = VecNormalized(*down);
    EXPECT_VEC(*unit, 0.0, 1.0);
    EXPECT_VEC(*down, 0.0, 5.0);
}

TEST_F(Vec2Test, VecSubReturnsADistinctObject) {
    const Vec2Ref a = NewVec2(5.0, 1.0);
    const Vec2Ref b = NewVec2(2.0, 3.0);
    const Vec2Ref d = VecSub(*a, *b);
    EXPECT_VEC(*d, 3.0, -2.0);
    EXPECT_NE(d.get(), a.get());
    EXPECT_NE(d.get(), b.get());
    d->Set(100.0, 100.0);
    EXPECT_VEC(*a, 5.0, 1.0);
    EXPECT_VEC(*b, 2.0, 3.0);
}

TEST_F(Vec2Test, VecCrossSign) {
    const Vec2Ref right = NewVec2(1.0, 0.0);
    const Vec2Ref down = NewVec2(0.0, 1.0);
    EXPECT_DOUBLE_EQ(VecCross(*right, *down), 1.0);
    EXPECT_DOUBLE_EQ(VecCross(*down, *right), -1.0);
    EXPECT_DOUBLE_EQ(VecCross(*right, *NewVec2(-3.0, 0.0)), 0.0);
}

TEST_F(Vec2Test, SharedHandlesSeeEachOthersChanges) {
    struct Holder {
        Vec2Ref pos;
    };
    const Holder first{NewVec2(1.0, 2.0)};
    const Holder second{first.pos};
    second.pos->Set(7.0, 8.0);
    EXPECT_VEC(*first.pos, 7.0, 8.0);
    first.pos->Add(1.0, 1.0);
    EXPECT_VEC(*second.pos, 8.0, 9.0);
}

}  // namespace
}  // namespace morva
