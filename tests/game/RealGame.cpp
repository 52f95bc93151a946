#include "RealGame.h"

#include <dlfcn.h>

#include <array>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "ProgramIcon.h"
#include "frame/Main.h"
#include "frame/Startup.h"
#include "frame/library/Library.h"

namespace morva::game_test {
namespace {

constexpr int64_t kPad = 0;

struct Run {
    Controller* controller = nullptr;
    plumo::ActFn realAct = nullptr;
    plumo::AllocMemFn realAllocMem = nullptr;
    std::array<int64_t, kButtonCount> counts{};  // frames held, as Pad reports them
    HeldButtons next{};
    bool sawGameFrame = false;
    int64_t acts = 0;
    int64_t libraryAllocations = 0;
    int64_t allocationsInsideAct = 0;
    int64_t (*allocationCount)() = nullptr;
    bool writeReplay = true;
    std::string replay;
};

Run gRun;

void Slot(lib::Export name, void* function) {
    lib::Bindings()[static_cast<std::size_t>(name)] = function;
}

template <typename Fn>
Fn Bound(lib::Export name) {
    return reinterpret_cast<Fn>(lib::Bindings()[static_cast<std::size_t>(name)]);
}

int64_t ControlledPad(int64_t pad, int64_t button) {
    if (pad != kPad || button < 0 || button >= kButtonCount) {
        return 0;
    }
    return gRun.counts[static_cast<std::size_t>(button)];
}

void* CountedAllocMem(int64_t size, int64_t reserved) {
    ++gRun.libraryAllocations;
    return gRun.realAllocMem(size, reserved);
}

// After the library's frame: the next frame's hold counts, and a replay line
// for every button that changes.
void ControlledAct() {
    const int64_t before = gRun.allocationCount != nullptr ? gRun.allocationCount() : 0;
    gRun.realAct();
    if (gRun.allocationCount != nullptr) {
        gRun.allocationsInsideAct += gRun.allocationCount() - before;
    }
    ++gRun.acts;
    if (!gRun.sawGameFrame) {
        gRun.next = gRun.controller->OnTitleFrame();
    }
    gRun.sawGameFrame = false;
    for (int64_t button = 0; button < kButtonCount; ++button) {
        int64_t& count = gRun.counts[static_cast<std::size_t>(button)];
        const bool down = gRun.next[static_cast<std::size_t>(button)];
        if (gRun.writeReplay && down != (count > 0)) {
            gRun.replay += std::to_string(gRun.acts) + " " + std::to_string(button) +
                           (down ? " down\n" : " up\n");
        }
        count = down ? count + 1 : 0;
    }
    if (gRun.controller->Done()) {
        throw plumo::Failure(plumo::kQuietEnd, "controller done");
    }
}

void SetEnv(const char* name, const std::string& value) {
    if (value.empty()) {
        unsetenv(name);
    } else {
        setenv(name, value.c_str(), 1);
    }
}

// What StartSteps does, with the controller put in between binding and Init.
void ControlledSteps(ProgramState& state) {
    const std::string path = LibraryPath();
    state.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (state.library == nullptr) {
        throw StartupFailure("cannot load " + path);
    }
    if (BindExports(state.library) < lib::kExportCount) {
        throw StartupFailure("incomplete game library " + path);
    }
    gRun.realAct = Bound<plumo::ActFn>(lib::Export::Act);
    gRun.realAllocMem = Bound<plumo::AllocMemFn>(lib::Export::AllocMem);
    Slot(lib::Export::Act, reinterpret_cast<void*>(&ControlledAct));
    Slot(lib::Export::Pad, reinterpret_cast<void*>(&ControlledPad));
    Slot(lib::Export::AllocMem, reinterpret_cast<void*>(&CountedAllocMem));
    state.title.emplace(kWindowTitle);
    const lib::StringRecord titleCopy(lib::ToText(*state.title->get()));
    const plumo::InitParams params{
        plumo::kProgramSignature, plumo::kProgramMode, reinterpret_cast<const void*>(&Start),
        &ProgramIcon(),           &FailureAddress(),   titleCopy.get(),
    };
    lib::Init(params);
    Main();
}

}  // namespace

int64_t LibraryAllocations() {
    return gRun.libraryAllocations;
}

int64_t AllocationsInsideAct() {
    return gRun.allocationsInsideAct;
}

RealRunResult RunRealGame(Controller& controller, const RealRunOptions& options) {
    gRun = Run{};
    gRun.controller = &controller;
    gRun.allocationCount = options.allocationCount;
    gRun.writeReplay = options.writeReplay;
    gRun.replay = "seed " + std::to_string(options.seed) + "\n";
    SetEnv("PLUMO_VIDEO", options.video);
    SetEnv("PLUMO_FPS", "0");
    SetEnv("PLUMO_SEED", std::to_string(options.seed));
    SetEnv("PLUMO_TRACE", options.tracePath);
    for (const char* unused :
         {"PLUMO_REPLAY", "PLUMO_RECORD", "PLUMO_FRAMES", "PLUMO_SHOT_FRAMES", "PLUMO_SHOT_DIR"}) {
        unsetenv(unused);
    }
    const GameObserver previous = SetGameObserver([](const GameFrameView& view) {
        gRun.sawGameFrame = true;
        gRun.next = gRun.controller->OnGameFrame(view);
    });
    std::fenv_t testEnvironment;
    std::fegetenv(&testEnvironment);
    SetProgramFloatingPoint();
    ProgramState state;
    RealRunResult result;
    result.exitCode = RunUnderHandler(state, ControlledSteps, stderr);
    std::fesetenv(&testEnvironment);
    SetGameObserver(previous);
    result.acts = gRun.acts;
    result.replay = gRun.replay;
    return result;
}

}  // namespace morva::game_test
