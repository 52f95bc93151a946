// In process: binding, the top-level handler on every kind of failure (in a
// forked child for those this process would not survive), what Init is handed, the floating-point
// setting, button flags from the library's hold counts.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cfenv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "ProgramRun.h"
#include "app/Platform.h"
#include "app/Startup.h"
#include "engine/Checked.h"
#include "engine/InputState.h"

namespace morva {
namespace {

using test::WithoutAddresses;

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
// Shared memory, so that a forked child's shutdown shows too.
char* const gEvents = static_cast<char*>(
    mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
ProgramState gState;

void RecordingFree() {
    std::strcat(gEvents, gState.title ? "Free, title held" : "Free, title dropped");
}

void FailingFree() {
    RecordingFree();
    throw plumo::Failure(plumo::kLibraryFailure, "Free broke");
}

void HangingFree() {
    RecordingFree();
    for (;;) {
        pause();
    }
}

void TouchNowhere() {
    // Not null: the sanitizer builds would stop a null store themselves.
    volatile uintptr_t nowhere = 0x10;
    *reinterpret_cast<volatile int*>(nowhere) = 1;
}

// The child's exit code, or 128 + the signal that ended it; -1 when it still
// ran after a minute.
int WaitFor(pid_t child) {
    for (int tick = 0; tick < 6000; ++tick) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

// A failure anywhere under the handler ends in one line and a full shutdown;
// a fault that cannot be jumped back from, or a shutdown that hangs after
// one, still ends in the line and exit code 1.
TEST(TopLevelHandler, ReportsEveryFailureInOneLineAfterTheFullShutdown) {
    const std::string kViolation = "1 [morva: access violation touching 0x10 at 0x? (";
    const struct {
        const char* what;
        void (*body)(ProgramState&);
        void (*free)();  // null for an unbound slot
        bool forked;
        std::string expected;  // "<exit code> [<standard error>] <shutdown>"
    } kCases[] = {
        {"index out of range",
         [](ProgramState&) {
             std::vector<int> rocks(3);
             At(rocks, 5, "rocks") = 1;
         },
         RecordingFree, false,
         "1 [morva: index out of range: rocks[5] of 3\n] Free, title dropped"},
        {"library failure",
         [](ProgramState&) {
             FailureAddress() = 0x1234;
             throw plumo::Failure(plumo::kLibraryFailure, "texture gone");
         },
         RecordingFree, false,
         "1 [morva: game library failure: texture gone (raised at 0x?)\n] Free, title dropped"},
        {"window closed", [](ProgramState&) { throw plumo::Failure(plumo::kQuietEnd, "closed"); },
         RecordingFree, false, "0 [] Free, title dropped"},
        {"Free unbound", [](ProgramState&) { throw std::runtime_error("no Init"); }, nullptr, false,
         "1 [morva: no Init\n] "},
        {"Free failing after a failure", [](ProgramState&) { throw std::runtime_error("first"); },
         FailingFree, false, "1 [morva: first\n] Free, title dropped"},
        {"Free failing after the window closed",
         [](ProgramState&) { throw plumo::Failure(plumo::kQuietEnd, "closed"); }, FailingFree,
         false, "1 [morva: game library failure: Free broke\n] Free, title dropped"},
        {"invalid floating-point operation",
         [](ProgramState&) {
             platform::SetProgramFloatingPoint();
             volatile double zero = 0.0;
             volatile double nan = zero / zero;
             (void)nan;
         },
         RecordingFree, false,
         "1 [morva: invalid floating-point operation at 0x? (morva_app_tests+0x?)\n] Free, title "
         "dropped"},
        {"access violation", [](ProgramState&) { TouchNowhere(); }, RecordingFree, false,
         kViolation + "morva_app_tests+0x?)\n] Free, title dropped"},
        // Code in no module: the line names no place.
        {"a call to nowhere",
         [](ProgramState&) {
             void (*volatile nowhere)() = reinterpret_cast<void (*)()>(uintptr_t{0x10});
             nowhere();
         },
         RecordingFree, false,
         "1 [morva: access violation touching 0x10 at 0x10\n] Free, title dropped"},
        // The jump would land on another thread's stack: no shutdown.
        {"access violation on another thread",
         [](ProgramState&) { std::thread(TouchNowhere).join(); }, RecordingFree, true,
         kViolation + "morva_app_tests+0x?)\n] "},
        // The C library may hold the allocator's lock: no shutdown.
        {"access violation inside the C library",
         [](ProgramState&) {
             // Called through a pointer the compiler cannot see through, or it
             // would drop or inline the copy.
             void* (*volatile copy)(void*, const void*, std::size_t) = std::memcpy;
             std::array<char, 64> into{};
             copy(into.data(), reinterpret_cast<const void*>(uintptr_t{0x10}), into.size());
         },
         RecordingFree, true, kViolation + "libc.so.6+0x?)\n] "},
        {"Free hanging after a fault", [](ProgramState&) { TouchNowhere(); }, HangingFree, true,
         kViolation + "morva_app_tests+0x?)\n] Free, title dropped"},
    };
    // The handler hands back the signal stack and handlers it found.
    const auto signalState = [] {
        stack_t stack{};
        sigaltstack(nullptr, &stack);
        struct sigaction segv {};
        sigaction(SIGSEGV, nullptr, &segv);
        return std::tuple(stack.ss_sp, stack.ss_flags, segv.sa_sigaction);
    };
    const auto before = signalState();
    for (const auto& c : kCases) {
        gEvents[0] = '\0';
        lib::ClearBindings();
        lib::Bindings()[static_cast<std::size_t>(lib::Export::Free)] =
            reinterpret_cast<void*>(c.free);
        static void (*body)(ProgramState&) = nullptr;
        body = c.body;
        std::FILE* err = std::tmpfile();
        const auto run = [err] {
            return RunUnderHandler(
                gState,
                [](ProgramState& state) {
                    state.title.emplace(kWindowTitle);
                    body(state);
                },
                err);
        };
        const pid_t child = c.forked ? fork() : 0;
        if (c.forked && child == 0) {
            _exit(run());
        }
        const int exitCode = c.forked ? WaitFor(child) : run();
        if (c.forked) {
            lib::ClearBindings();  // the child's shutdown cleared only its own
        }
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
        EXPECT_EQ(signalState(), before) << c.what;
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
    for (const char* setting :
         {"PLUMO_VIDEO=none", "PLUMO_FPS=0", "PLUMO_FRAMES=3", "PLUMO_CONFIG_DIR=none"}) {
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

// Pad 0's hold counts as the fake Pad export reads them.
std::array<int64_t, 16> gCounts{};

class InputStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        int64_t (*pad)(int64_t, int64_t) = [](int64_t index, int64_t button) {
            return index == 0 ? gCounts[static_cast<std::size_t>(button)] : 0;
        };
        lib::Bindings()[static_cast<std::size_t>(lib::Export::Pad)] = reinterpret_cast<void*>(pad);
        gCounts.fill(0);
        input.Init();
    }
    void TearDown() override { lib::ClearBindings(); }

    InputState input;
};

// The jump button's counts, one a frame from Init on, and its flags in each
// frame as "<count>:<h held><p pushed><r released>" ("-" for none).
TEST_F(InputStateTest, FlagsFollowTheHoldCountsFrameByFrame) {
    const char* const kCases[] = {
        "0:- 1:hp 2:h 3:h 0:r 0:-",  // held for frames: one push, one release
        "1:hp 2:h 3:h 1:hpr 2:h",    // many to one: a push and a release at once
        "0:- 2:h 3:h 0:r",           // a count jumping by more than one is never a push
        "1:hp 2:h 3:h 4:h 2:hr",     // a drop that stays down releases without a push
        "5:h",                       // the first update after Init never releases
        "3:h 0:r 0:-",  // a new scene reads the same counts again without an Act between
    };
    for (const char* c : kCases) {
        SCOPED_TRACE(c);
        input.Init();
        std::istringstream frames(c);
        for (std::string frame; frames >> frame;) {
            gCounts[0] = std::stoll(frame);
            input.Update();
            const std::string flags = std::string(input.HeldJump() ? "h" : "") +
                                      (input.PushedJump() ? "p" : "") +
                                      (input.ReleasedJump() ? "r" : "");
            // Later frames depend on this one.
            ASSERT_EQ(frame.substr(frame.find(':') + 1), flags.empty() ? "-" : flags);
        }
    }
}

// Each pad button held for a frame and let go: the flags it raises, as "<button>:<held>
// <pushed> <released in the next frame>" by initials (u d l r j s(dash) a 3 4 5).
TEST_F(InputStateTest, EachButtonRaisesOnlyItsOwnFlags) {
    const auto held = [&] {
        const bool on[] = {input.HeldUp(),     input.HeldDown(),    input.HeldLeft(),
                           input.HeldRight(),  input.HeldJump(),    input.HeldDash(),
                           input.HeldAttack(), input.HeldButton3(), input.HeldButton4(),
                           input.HeldButton5()};
        std::string names;
        for (std::size_t i = 0; i < std::size(on); ++i) {
            names += on[i] ? std::string(1, "udlrjsa345"[i]) : "";
        }
        return names;
    };
    const auto pushed = [&] {
        return std::string(input.PushedUp() ? "u" : "") + (input.PushedDown() ? "d" : "") +
               (input.PushedLeft() ? "l" : "") + (input.PushedRight() ? "r" : "") +
               (input.PushedJump() ? "j" : "") + (input.PushedDash() ? "s" : "") +
               (input.PushedAttack() ? "a" : "");
    };
    const auto released = [&] {
        return std::string(input.ReleasedUp() ? "u" : "") + (input.ReleasedDown() ? "d" : "") +
               (input.ReleasedLeft() ? "l" : "") + (input.ReleasedRight() ? "r" : "") +
               (input.ReleasedJump() ? "j" : "") + (input.ReleasedDash() ? "s" : "");
    };
    std::string seen;
    for (std::size_t button = 0; button < gCounts.size(); ++button) {
        gCounts[button] = 1;
        input.Update();
        seen += std::to_string(button) + ":" + held() + " " + pushed() + " ";
        gCounts[button] = 0;
        input.Update();
        seen += released() + (held() + pushed()).substr(0, 1) + "\n";
    }
    EXPECT_EQ(seen,
              "0:j j j\n1:s s s\n2:a a \n3:3  \n4:4  \n5:5  \n6:  \n7:  \n8:  \n9:  \n"
              "10:  \n11:  \n12:l l l\n13:r r r\n14:u u u\n15:d d d\n");
}

}  // namespace
}  // namespace morva
