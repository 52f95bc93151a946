// The switch every export makes between the program's floating-point setting
// (round toward zero, invalid operations trapped) and the default one.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <thread>

#include "FloatingPoint.h"

namespace plumo {
namespace {

bool ProgramSetting() {
    return fegetround() == FE_TOWARDZERO && fegetexcept() == FE_INVALID;
}

bool DefaultSetting() {
    return fegetround() == FE_TONEAREST && fegetexcept() == 0;
}

class FloatingPointTest : public ::testing::Test {
protected:
    void SetUp() override {
        fesetround(FE_TOWARDZERO);
        feenableexcept(FE_INVALID);
    }
    void TearDown() override { fesetenv(FE_DFL_ENV); }
};

TEST_F(FloatingPointTest, LibraryCodeRunsUnderTheDefaultAndThreadsItStartsInheritIt) {
    bool inside = false;
    bool thread = false;
    {
        FpGuard guard;
        inside = DefaultSetting();
        // A NaN compared with < is an invalid operation: it must not trap in here.
        volatile double nan = NAN;
        EXPECT_FALSE(nan < 1.0);
        std::thread([&] { thread = DefaultSetting(); }).join();
    }
    EXPECT_TRUE(inside);
    EXPECT_TRUE(thread) << "threads SDL or the drivers start inside the library";
    EXPECT_TRUE(ProgramSetting());
}

TEST_F(FloatingPointTest, TheProgramsSettingComesBackWhenTheLibraryRaises) {
    try {
        FpGuard guard;
        throw std::runtime_error("raised inside the library");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(ProgramSetting());
}

// An x87 flag raised in the library would trap at the program's next x87
// instruction once the program's masks are back.
TEST_F(FloatingPointTest, NoX87FlagIsLeftToTrapInTheProgram) {
    {
        FpGuard guard;
        volatile long double zero = 0;
        zero = zero / zero;
    }
    volatile long double wide = 3;
    wide = wide * wide;
    EXPECT_EQ(static_cast<double>(wide), 9.0);
}

}  // namespace
}  // namespace plumo
