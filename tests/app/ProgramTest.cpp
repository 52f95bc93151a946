// In process: binding, the top-level handler on every kind of failure, what
// Init is handed, the floating-point setting, button flags from the library's
// hold counts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/Platform.h"
#include "app/Startup.h"
#include "engine/Checked.h"
#include "engine/InputState.h"

namespace morva {
namespace {

std::string WithoutAddresses(std::string text) {
    for (std::size_t at = text.find("0x"); at != std::string::npos; at = text.find("0x", at + 2)) {
        const std::size_t end =
            std::min(text.find_first_not_of("0123456789abcdef", at + 2), text.size());
        if (end - at - 2 >= 3) {
            text.replace(at + 2, end - at - 2, "?");
        }
    }
    return text;
}

TEST(BindExports, StopsAtTheFirstMissingNameAndLeavesLaterSlotsEmpty) {
    // The library, and the slots it binds: the index of the name it lacks.
    const std::pair<std::string, std::size_t> kCases[] = {
        {MORVA_DATA_DIR "/Plumo.zqd", lib::kExportCount},
        {MORVA_VARIANT_DIR "/lacks_Init.zqd", 0},
        {MORVA_VARIANT_DIR "/lacks_Sort.zqd", 61},
        {MORVA_VARIANT_DIR "/lacks_StopBGMFade.zqd", 122}};
    for (const auto& [path, bound] : kCases) {
        SCOPED_TRACE(path);
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

// What the shutdown did: Free's call, with the title already dropped or not.
std::string gEvents;
ProgramState gState;
bool gFreeFails = false;

void RecordingFree() {
    gEvents += gState.title ? "Free, title held" : "Free, title dropped";
    if (gFreeFails) {
        throw plumo::Failure(plumo::kLibraryFailure, "Free broke");
    }
}

// A failure anywhere under the handler ends in one line and a full shutdown.
TEST(TopLevelHandler, ReportsEveryFailureInOneLineAfterTheFullShutdown) {
    const struct {
        const char* what;
        void (*body)(ProgramState&);
        bool freeBound, freeFails;
        const char* expected;  // "<exit code> [<standard error>] <shutdown>"
    } kCases[] = {
        {"index out of range",
         [](ProgramState&) {
             std::vector<int> rocks(3);
             At(rocks, 5, "rocks") = 1;
         },
         true, false, "1 [morva: index out of range: rocks[5] of 3\n] Free, title dropped"},
        {"library failure",
         [](ProgramState&) {
             FailureAddress() = 0x1234;
             throw plumo::Failure(plumo::kLibraryFailure, "texture gone");
         },
         true, false,
         "1 [morva: game library failure: texture gone (raised at 0x?)\n] Free, title dropped"},
        {"window closed", [](ProgramState&) { throw plumo::Failure(plumo::kQuietEnd, "closed"); },
         true, false, "0 [] Free, title dropped"},
        {"Free unbound", [](ProgramState&) { throw std::runtime_error("no Init"); }, false, false,
         "1 [morva: no Init\n] "},
        {"Free failing after a failure", [](ProgramState&) { throw std::runtime_error("first"); },
         true, true, "1 [morva: first\n] Free, title dropped"},
        {"Free failing after the window closed",
         [](ProgramState&) { throw plumo::Failure(plumo::kQuietEnd, "closed"); }, true, true,
         "1 [morva: game library failure: Free broke\n] Free, title dropped"},
        {"invalid floating-point operation",
         [](ProgramState&) {
             platform::SetProgramFloatingPoint();
             volatile double zero = 0.0;
             volatile double nan = zero / zero;
             (void)nan;
         },
         true, false,
         "1 [morva: invalid floating-point operation at 0x? (morva_app_tests+0x?)\n] Free, title "
         "dropped"},
        {"access violation",
         [](ProgramState&) {
             // Not null: the sanitizer builds would stop a null store themselves.
             volatile uintptr_t nowhere = 0x10;
             *reinterpret_cast<volatile int*>(nowhere) = 1;
         },
         true, false,
         "1 [morva: access violation touching 0x10 at 0x? (morva_app_tests+0x?)\n] Free, title "
         "dropped"},
    };
    for (const auto& c : kCases) {
        gEvents.clear();
        gFreeFails = c.freeFails;
        lib::ClearBindings();
        if (c.freeBound) {
            lib::Bindings()[static_cast<std::size_t>(lib::Export::Free)] =
                reinterpret_cast<void*>(&RecordingFree);
        }
        static void (*body)(ProgramState&) = nullptr;
        body = c.body;
        std::FILE* err = std::tmpfile();
        const int exitCode = RunUnderHandler(
            gState,
            [](ProgramState& state) {
                state.title.emplace(kWindowTitle);
                body(state);
            },
            err);
        std::fesetenv(FE_DFL_ENV);
        std::string text(4096, '\0');
        std::rewind(err);
        text.resize(std::fread(text.data(), 1, text.size(), err));
        std::fclose(err);
        EXPECT_EQ(WithoutAddresses(std::to_string(exitCode) + " [" + text + "] " + gEvents),
                  c.expected)
            << c.what;
        EXPECT_FALSE(lib::IsBound(lib::Export::Free)) << "slots into an unloaded library stay";
        EXPECT_EQ(FailureAddress(), 0u) << c.what;
    }
}

// The real library in this process, its Init watched: what start-up hands it.
std::string gInitSaw;
plumo::InitFn gRealInit = nullptr;

int64_t WatchedInit(const plumo::InitParams* params) {
    const plumo::String& title = *params->title;
    gInitSaw = "signature " +
               std::string(params->signature == plumo::kProgramSignature ? "ok" : "wrong") +
               " mode " + std::to_string(params->mode) +
               (params->instance == reinterpret_cast<const void*>(&Start) ? " program" : " other") +
               " icon";
    for (int64_t i = 0; i < params->icon->imageCount; ++i) {
        gInitSaw += " " + std::to_string(params->icon->images[i].size);
    }
    gInitSaw += std::string(params->failureAddress == &FailureAddress() ? " cell" : " other cell") +
                " \"" + std::string(title.units, title.units + title.length) + "\"" +
                (params->title != gState.title->get() ? " copy" : " shared");
    return gRealInit(params);
}

TEST(Start, HandsInitItsParametersAndEndsQuietlyAtTheFrameLimit) {
    for (const char* setting : {"PLUMO_VIDEO=none", "PLUMO_FPS=0", "PLUMO_FRAMES=3"}) {
        putenv(const_cast<char*>(setting));
    }
    for (const char* name : {"PLUMO_TRACE", "PLUMO_REPLAY", "PLUMO_RECORD", "PLUMO_SHOT_FRAMES"}) {
        unsetenv(name);
    }
    platform::SetProgramFloatingPoint();
    const int exitCode = RunUnderHandler(
        gState,
        [](ProgramState& state) {
            LoadAndBind(state);
            void*& init = lib::Bindings()[static_cast<std::size_t>(lib::Export::Init)];
            gRealInit = reinterpret_cast<plumo::InitFn>(
                std::exchange(init, reinterpret_cast<void*>(&WatchedInit)));
            InitAndRun(state);
        },
        stderr);
    std::fesetenv(FE_DFL_ENV);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(gInitSaw, "signature ok mode 1 program icon 16 32 48 64 cell \"MORVA var 0.2\" copy");
    EXPECT_EQ(gState.library, nullptr) << "unloaded";
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
