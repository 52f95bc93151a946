// In process: binding, the top-level handler on the program's own fault, the
// floating-point setting, button flags from the library's hold counts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/Platform.h"
#include "app/Startup.h"
#include "engine/Checked.h"
#include "engine/InputState.h"

namespace morva {
namespace {

TEST(BindExports, StopsAtTheFirstMissingNameAndLeavesLaterSlotsEmpty) {
    // Variant, and the slots it binds: the index of the name it lacks.
    const std::pair<const char*, std::size_t> kCases[] = {{"complete", lib::kExportCount},
                                                          {"lacks_init", 0},
                                                          {"lacks_sort", 61},
                                                          {"lacks_stop_bgm_fade", 122}};
    for (const auto& [variant, bound] : kCases) {
        SCOPED_TRACE(variant);
        const std::string path = std::string(MORVA_STUB_DIR) + "/" + variant + ".zqd";
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        static int leftover = 0;  // of an earlier binding, which must not survive
        lib::Bindings().fill(&leftover);
        ASSERT_EQ(BindExports(handle), bound);
        for (std::size_t i = 0; i < lib::kExportCount; ++i) {
            EXPECT_EQ(lib::Bindings()[i], i < bound ? dlsym(handle, lib::kExportNames[i]) : nullptr)
                << lib::kExportNames[i];
        }
        lib::ClearBindings();
        dlclose(handle);
    }
}

TEST(TopLevelHandler, ReportsTheProgramsOwnFaultInOneLineAfterTheFullShutdown) {
    static ProgramState state;
    static std::string events;
    void (*free)() = [] { events = state.title ? "Free, title held" : "Free, title dropped"; };
    lib::Bindings()[static_cast<std::size_t>(lib::Export::Free)] = reinterpret_cast<void*>(free);
    std::FILE* err = std::tmpfile();
    const int exitCode = RunUnderHandler(
        state,
        [](ProgramState& state) {
            state.title.emplace(kWindowTitle);
            std::vector<int> rocks(3);
            At(rocks, 5, "rocks") = 1;
        },
        err);
    std::string text(4096, '\0');
    std::rewind(err);
    text.resize(std::fread(text.data(), 1, text.size(), err));
    std::fclose(err);
    EXPECT_EQ(std::to_string(exitCode) + " [" + text + "] " + events,
              "1 [morva: index out of range: rocks[5] of 3\n] Free, title dropped");
    EXPECT_FALSE(lib::IsBound(lib::Export::Free)) << "slots into an unloaded library stay";
}

TEST(ProgramFloatingPoint, RoundsTowardZeroAndTrapsOnlyInvalidOperations) {
    platform::SetProgramFloatingPoint();
    const int rounding = std::fegetround(), traps = fegetexcept();
    std::fesetenv(FE_DFL_ENV);
    EXPECT_EQ(std::pair(rounding, traps), std::pair(FE_TOWARDZERO, FE_INVALID));
}

// The jump button's counts, one a frame from Init on, and its flags in each
// frame as "<count>:<h held><p pushed><r released>" ("-" for none).
TEST(InputState, FlagsFollowTheHoldCountsFrameByFrame) {
    const char* const kCases[] = {
        "0:- 1:hp 2:h 3:h 0:r 0:-",  // held for frames: one push, one release
        "1:hp 2:h 3:h 1:hpr 2:h",    // many to one: a push and a release at once
        "0:- 2:h 3:h 0:r",           // a count jumping by more than one is never a push
        "1:hp 2:h 3:h 4:h 2:hr",     // a drop that stays down releases without a push
        "5:h",                       // the first update after Init never releases
        "3:h 0:r 0:-",  // a new scene reads the same counts again without an Act between
    };
    static int64_t jumpCount = 0;
    int64_t (*pad)(int64_t, int64_t) = [](int64_t, int64_t button) {
        return button == 0 ? jumpCount : 0;
    };
    lib::Bindings()[static_cast<std::size_t>(lib::Export::Pad)] = reinterpret_cast<void*>(pad);
    for (const char* c : kCases) {
        SCOPED_TRACE(c);
        InputState input;
        input.Init();
        std::istringstream frames(c);
        for (std::string frame; frames >> frame;) {
            jumpCount = std::stoll(frame);
            input.Update();
            const std::string flags = std::string(input.HeldJump() ? "h" : "") +
                                      (input.PushedJump() ? "p" : "") +
                                      (input.ReleasedJump() ? "r" : "");
            // Later frames depend on this one.
            ASSERT_EQ(frame.substr(frame.find(':') + 1), flags.empty() ? "-" : flags);
        }
    }
    lib::ClearBindings();
}

}  // namespace
}  // namespace morva
