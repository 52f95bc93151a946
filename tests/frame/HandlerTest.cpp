// The top-level handler in process, the program's floating-point setting,
// and the scene loop that only a failure leaves.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdio>
#include <string>
#include <vector>

#include "FakeLibrary.h"
#include "core/Checked.h"
#include "frame/Main.h"
#include "frame/Startup.h"

namespace morva {
namespace {

std::string gEvents;
ProgramState* gState = nullptr;

void RecordingFree() {
    gEvents += gState->title ? "Free, title held;" : "Free, title dropped;";
}
void FailingFree() {
    gEvents += "Free;";
    throw plumo::Failure(plumo::kLibraryFailure, "Free broke");
}

// The faults that come from the library (its failures, processor faults in
// Act, a failing Free) are checked through the whole program in StartupTest.
TEST(TopLevelHandler, ReportsEachFailureInOneLineAfterTheFullShutdown) {
    const struct {
        void (*body)(ProgramState&);
        void (*free)();
        const char* outcome;  // exit code, [standard error], events
    } kCases[] = {
        {[](ProgramState& state) {
             state.title.emplace(kWindowTitle);
             gEvents += "running;";
             throw plumo::Failure(plumo::kQuietEnd, "the window was closed");
         },
         RecordingFree, "0 [] running;Free, title dropped;"},
        {[](ProgramState&) {
             std::vector<int> rocks(3);
             At(rocks, 5, "rocks") = 1;
         },
         RecordingFree, "1 [morva: index out of range: rocks[5] of 3\n] Free, title dropped;"},
        // A failing Free never hides an earlier failure.
        {[](ProgramState&) { throw StartupFailure("game library x lacks export Sort"); },
         FailingFree, "1 [morva: game library x lacks export Sort\n] Free;"},
    };
    for (const auto& c : kCases) {
        ProgramState state;
        gState = &state;
        gEvents.clear();
        lib::Bindings()[static_cast<std::size_t>(lib::Export::Free)] =
            reinterpret_cast<void*>(c.free);
        std::FILE* err = std::tmpfile();
        const int exitCode = RunUnderHandler(state, c.body, err);
        std::string text(4096, '\0');
        std::rewind(err);
        text.resize(std::fread(text.data(), 1, text.size(), err));
        std::fclose(err);
        EXPECT_EQ(std::to_string(exitCode) + " [" + text + "] " + gEvents, c.outcome);
        EXPECT_FALSE(lib::IsBound(lib::Export::Free)) << "slots into an unloaded library stay";
    }
}

TEST(ProgramFloatingPoint, RoundsTowardZeroAndTrapsOnlyInvalidOperations) {
    SetProgramFloatingPoint();
    const int rounding = std::fegetround(), traps = fegetexcept();
    std::fesetenv(FE_DFL_ENV);
    EXPECT_EQ(rounding, FE_TOWARDZERO);
    EXPECT_EQ(traps, FE_INVALID);
}

TEST(Main, LoadsTheFontFirstAndLeavesOnlyByTheClosedWindow) {
    fake::FakeLibrary library;
    library.actLimit = 5;
    EXPECT_THROW(Main(), plumo::Failure);
    EXPECT_EQ(library.loads.at(0), "font_128_64.zqtex");
    EXPECT_EQ(library.acts, 5);
}

}  // namespace
}  // namespace morva
