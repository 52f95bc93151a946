// Random numbers, string records, memory and mathematics.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <string>

#include "Harness.h"

namespace plumo::test {
namespace {

class RndTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSettings({{"PLUMO_VIDEO", "none"}, {"PLUMO_SEED", "12345"}});
        Open(&cell_);
    }
    void TearDown() override { Library().Free(); }

    uint64_t cell_ = 0;
};

TEST_F(RndTest, StaysWithinInclusiveBoundsAndReachesBoth) {
    std::set<int64_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const int64_t value = Library().Rnd(-2, 3);
        ASSERT_GE(value, -2);
        ASSERT_LE(value, 3);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_EQ(Library().Rnd(9, 9), 9);
    EXPECT_EQ(Library().Rnd(-4, -4), -4);
}

TEST_F(RndTest, HandlesWideRanges) {
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    bool negative = false;
    bool positive = false;
    for (int i = 0; i < 200; ++i) {
        const int64_t value = Library().Rnd(kMin, kMax);
        negative |= value < 0;
        positive |= value > 0;
        const int64_t half = Library().Rnd(kMin, 0);
        ASSERT_LE(half, 0);
        const int64_t top = Library().Rnd(kMax - 1, kMax);
        ASSERT_GE(top, kMax - 1);
    }
    EXPECT_TRUE(negative && positive);
}

TEST_F(RndTest, SameSeedGivesSameSequence) {
    std::vector<int64_t> first;
    for (int i = 0; i < 50; ++i) {
        first.push_back(Library().Rnd(0, 99));
    }
    Library().Free();
    Open(&cell_);
    std::vector<int64_t> second;
    for (int i = 0; i < 50; ++i) {
        second.push_back(Library().Rnd(0, 99));
    }
    EXPECT_EQ(first, second);
    // Guards against a generator stuck on one value.
    EXPECT_GT(std::set<int64_t>(first.begin(), first.end()).size(), 20u);
}

std::string Text(const String* record) {
    std::string text;
    for (int64_t i = 0; i < record->length; ++i) {
        text += static_cast<char>(record->units[i]);
    }
    return text;
}

TEST(StringTest, IToSMakesOwnedDecimalRecords) {
    const std::pair<int64_t, std::string> cases[] = {
        {0, "0"},
        {7, "7"},
        {-42, "-42"},
        {std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
        {std::numeric_limits<int64_t>::max(), "9223372036854775807"}};
    for (const auto& [value, expected] : cases) {
        String* record = Library().IToS(value, 0);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->refCount, 1);
        EXPECT_EQ(record->length, static_cast<int64_t>(expected.size()));
        EXPECT_EQ(Text(record), expected);
        EXPECT_EQ(record->units[record->length], u'\0');
        Library().FreeMem(record);
    }
}

TEST(MemoryTest, BlocksAreWritableAndFreeable) {
    auto* block = static_cast<unsigned char*>(Library().AllocMem(4096, 0));
    ASSERT_NE(block, nullptr);
    block[0] = 1;
    block[4095] = 2;
    Library().FreeMem(block);
    void* empty = Library().AllocMem(0, 0);
    EXPECT_NE(empty, nullptr);
    Library().FreeMem(empty);
    Library().FreeMem(nullptr);
}

TEST(MathTest, ModKeepsTheSignOfX) {
    EXPECT_DOUBLE_EQ(Library().Mod(7.5, 2), 1.5);
    EXPECT_DOUBLE_EQ(Library().Mod(-7.5, 2), -1.5);
    EXPECT_DOUBLE_EQ(Library().Mod(7.5, -2), 1.5);
}

TEST(MathTest, InvRotPointsAlongTheVector) {
    for (const auto& [x, y] : {std::pair{3.0, 4.0}, {-1.0, 0.5}, {0.0, -2.0}}) {
        const double angle = Library().InvRot(x, y);
        const double length = Library().Hypot(x, y);
        EXPECT_NEAR(Library().Cos(angle) * length, x, 1e-12);
        EXPECT_NEAR(Library().Sin(angle) * length, y, 1e-12);
    }
    EXPECT_DOUBLE_EQ(Library().Pow(2, 10), 1024);
    EXPECT_DOUBLE_EQ(Library().Sqrt(2.25), 1.5);
}

}  // namespace
}  // namespace plumo::test
