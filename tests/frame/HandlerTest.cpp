// The top-level handler in process: which failures are quiet, the one line
// the others print, the shutdown order, and processor faults caught by
// signal, in death tests so the fault cannot touch the test runner.
#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "core/Checked.h"
#include "frame/Startup.h"

namespace morva {
namespace {

std::vector<std::string> gEvents;
ProgramState* gState = nullptr;

void RecordingFree() {
    gEvents.push_back(gState->title ? "Free, title held" : "Free, title dropped");
}

void FailingFree() {
    gEvents.push_back("Free");
    throw plumo::Failure(plumo::kLibraryFailure, "Free broke");
}

void BindFree(void (*free)()) {
    lib::Bindings()[static_cast<std::size_t>(lib::Export::Free)] = reinterpret_cast<void*>(free);
}

struct Handled {
    int exitCode;
    std::string err;
};

// Runs body under the handler with a Free that records when it ran.
Handled Handle(const std::function<void(ProgramState&)>& body, void (*free)() = RecordingFree) {
    ProgramState state;
    gState = &state;
    gEvents.clear();
    BindFree(free);
    std::FILE* err = std::tmpfile();
    const int exitCode = RunUnderHandler(state, body, err);
    std::string text;
    std::rewind(err);
    for (int c = std::fgetc(err); c != EOF; c = std::fgetc(err)) {
        text += static_cast<char>(c);
    }
    std::fclose(err);
    gState = nullptr;
    return {exitCode, text};
}

using Events = std::vector<std::string>;

TEST(TopLevelHandler, AQuietEndPrintsNothingAndExitsZeroAfterTheFullShutdown) {
    const Handled handled = Handle([](ProgramState& state) {
        state.title.emplace(kWindowTitle);
        gEvents.push_back("running");
        throw plumo::Failure(plumo::kQuietEnd, "the window was closed");
    });

    EXPECT_EQ(handled.exitCode, 0);
    EXPECT_EQ(handled.err, "");
    EXPECT_EQ(gEvents, (Events{"running", "Free, title dropped"}));
    EXPECT_FALSE(lib::IsBound(lib::Export::Free)) << "slots into an unloaded library stay";
}

TEST(TopLevelHandler, ALibraryFailureNamesItselfAndWhereItWasRaised) {
    const Handled handled = Handle([](ProgramState&) {
        FailureAddress() = reinterpret_cast<uint64_t>(&RecordingFree);
        throw plumo::Failure(plumo::kLibraryFailure, "cannot read title.zqtex");
    });

    EXPECT_EQ(handled.exitCode, kFailureExitCode);
    EXPECT_TRUE(handled.err.starts_with(
        "morva: game library failure: cannot read title.zqtex (raised at 0x"))
        << handled.err;
    EXPECT_NE(handled.err.find("(morva_frame_tests+0x"), std::string::npos) << handled.err;
    EXPECT_EQ(FailureAddress(), 0u) << "the handler takes and clears the cell";
    EXPECT_EQ(gEvents, Events{"Free, title dropped"});
}

TEST(TopLevelHandler, AnIndexOutOfRangeIsReportedAsOneLine) {
    const Handled handled = Handle([](ProgramState&) {
        std::vector<int> rocks(3);
        At(rocks, 5, "rocks") = 1;
    });

    EXPECT_EQ(handled.exitCode, kFailureExitCode);
    EXPECT_EQ(handled.err, "morva: index out of range: rocks[5] of 3\n");
    EXPECT_EQ(gEvents, Events{"Free, title dropped"});
}

TEST(TopLevelHandler, AFailingFreeIsReportedAfterAQuietEndButNeverHidesAnEarlierFailure) {
    const Handled afterQuiet = Handle(
        [](ProgramState&) { throw plumo::Failure(plumo::kQuietEnd, "closed"); }, FailingFree);
    EXPECT_EQ(afterQuiet.exitCode, kFailureExitCode);
    EXPECT_EQ(afterQuiet.err, "morva: game library failure: Free broke\n");
    EXPECT_EQ(gEvents, Events{"Free"});

    const Handled afterFailure =
        Handle([](ProgramState&) { throw StartupFailure("game library x lacks export Sort"); },
               FailingFree);
    EXPECT_EQ(afterFailure.exitCode, kFailureExitCode);
    EXPECT_EQ(afterFailure.err, "morva: game library x lacks export Sort\n");
}

TEST(TopLevelHandler, FreeIsNotCalledWhenItsSlotIsEmpty) {
    const Handled handled = Handle(
        [](ProgramState&) { throw StartupFailure("game library x lacks export Init"); }, nullptr);

    EXPECT_EQ(handled.exitCode, kFailureExitCode);
    EXPECT_EQ(gEvents, Events{});
}

// In a death test child: the program's floating-point setting, a Free that
// says it ran, then the body under the handler; exits with its code.
[[noreturn]] void RunAsProgram(void (*body)()) {
    SetProgramFloatingPoint();
    lib::Bindings()[static_cast<std::size_t>(lib::Export::Free)] =
        reinterpret_cast<void*>(+[] { std::fputs("Free ran\n", stderr); });
    ProgramState state;
    std::exit(RunUnderHandler(
        state, [body](ProgramState&) { body(); }, stderr));
}

TEST(TopLevelHandlerDeathTest, AnInvalidOperationTrapsAndIsReported) {
    EXPECT_EXIT(RunAsProgram([] {
                    volatile double minusOne = -1.0;
                    volatile double root = std::sqrt(minusOne);
                    (void)root;
                }),
                ::testing::ExitedWithCode(kFailureExitCode),
                // The module is the test or libm, wherever sqrt ran.
                "Free ran.morva: invalid floating-point operation at 0x[0-9a-f]+ \\(");
}

TEST(TopLevelHandlerDeathTest, AnOrderedCompareWithNaNTraps) {
    EXPECT_EXIT(RunAsProgram([] {
                    volatile double nan = std::numeric_limits<double>::quiet_NaN();
                    volatile bool less = nan < 1.0;
                    (void)less;
                }),
                ::testing::ExitedWithCode(kFailureExitCode),
                "morva: invalid floating-point operation at 0x");
}

TEST(TopLevelHandlerDeathTest, AnAccessViolationNamesTheAddressTouched) {
    EXPECT_EXIT(RunAsProgram([] {
                    volatile uintptr_t nowhere = 0x10;
                    *reinterpret_cast<volatile int*>(nowhere) = 1;
                }),
                ::testing::ExitedWithCode(kFailureExitCode),
                "Free ran.morva: access violation touching 0x10 at 0x");
}

// Puts the default environment back so later tests are not trapped.
class ProgramFloatingPoint : public ::testing::Test {
protected:
    void SetUp() override { SetProgramFloatingPoint(); }
    void TearDown() override { std::fesetenv(FE_DFL_ENV); }
};

TEST_F(ProgramFloatingPoint, RoundsTowardZero) {
    volatile double one = 1.0;
    volatile double threeQuartersOfAnUlp = 0x1.8p-53;
    volatile double third = 1.0 / 3.0;

    EXPECT_EQ(std::fegetround(), FE_TOWARDZERO);
    EXPECT_EQ(one + threeQuartersOfAnUlp, 1.0) << "to nearest would give 1 + 2^-52";
    EXPECT_EQ(-one - threeQuartersOfAnUlp, -1.0);
    EXPECT_LT(third * 3.0, 1.0);
}

TEST_F(ProgramFloatingPoint, TrapsOnlyInvalidOperations) {
    volatile double zero = 0.0;
    volatile double largest = DBL_MAX;

    EXPECT_EQ(fegetexcept(), FE_INVALID);
    EXPECT_EQ(1.0 / zero, std::numeric_limits<double>::infinity()) << "division by zero masked";
    EXPECT_EQ(largest * 2.0, DBL_MAX) << "overflow rounds toward zero to the largest double";
    EXPECT_EQ(DBL_MIN / largest, 0.0) << "underflow masked";
}

}  // namespace
}  // namespace morva
