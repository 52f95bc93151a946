#include "Drive.h"

#include <dlfcn.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "ProgramIcon.h"
#include "frame/Main.h"
#include "frame/Startup.h"
#include "frame/library/Library.h"

namespace morva::game_test {
namespace {

// Binds the replacement in the slot and returns what was bound there.
template <typename Fn>
Fn Rebind(lib::Export name, Fn replacement) {
    void*& slot = lib::Bindings()[static_cast<std::size_t>(name)];
    const Fn old = reinterpret_cast<Fn>(slot);
    slot = reinterpret_cast<void*>(replacement);
    return old;
}

struct RealRun {
    Controller* controller = nullptr;
    RealRunOptions options;
    plumo::ActFn realAct = nullptr;
    plumo::AllocMemFn realAllocMem = nullptr;
    std::array<int64_t, kButtonCount> counts{};  // as Pad reports them
    HeldButtons next{};
    bool sawGameFrame = false;
    int64_t acts = 0, libraryAllocations = 0, allocationsInsideAct = 0;
    std::string replay;
} gRun;

int64_t Allocations() {
    return gRun.options.allocationCount != nullptr ? gRun.options.allocationCount() : 0;
}

int64_t ControlledPad(int64_t pad, int64_t button) {
    return pad == 0 && button >= 0 && button < kButtonCount ? gRun.counts.at(button) : 0;
}

void* CountedAllocMem(int64_t size, int64_t reserved) {
    ++gRun.libraryAllocations;
    return gRun.realAllocMem(size, reserved);
}

// After the library's frame: the next frame's hold counts, and a replay line
// for every button that changes.
void ControlledAct() {
    const int64_t before = Allocations();
    gRun.realAct();
    gRun.allocationsInsideAct += Allocations() - before;
    ++gRun.acts;
    if (!std::exchange(gRun.sawGameFrame, false)) {
        gRun.next = gRun.controller->OnTitleFrame();
    }
    for (std::size_t button = 0; button < gRun.counts.size(); ++button) {
        int64_t& count = gRun.counts[button];
        if (gRun.options.writeReplay && gRun.next[button] != (count > 0)) {
            gRun.replay += std::to_string(gRun.acts) + " " + std::to_string(button) +
                           (gRun.next[button] ? " down\n" : " up\n");
        }
        count = gRun.next[button] ? count + 1 : 0;
    }
    if (gRun.controller->Done()) {
        throw plumo::Failure(plumo::kQuietEnd, "controller done");
    }
}

// StartSteps with the controller put in between binding and Init.
void ControlledSteps(ProgramState& state) {
    const std::string path = LibraryPath();
    state.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (state.library == nullptr || BindExports(state.library) < lib::kExportCount) {
        throw StartupFailure("cannot bind " + path);
    }
    gRun.realAct = Rebind<plumo::ActFn>(lib::Export::Act, &ControlledAct);
    gRun.realAllocMem = Rebind<plumo::AllocMemFn>(lib::Export::AllocMem, &CountedAllocMem);
    Rebind<plumo::PadFn>(lib::Export::Pad, &ControlledPad);
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

RealRunResult RunRealGame(Controller& controller, const RealRunOptions& options) {
    gRun = RealRun{};
    gRun.controller = &controller;
    gRun.options = options;
    gRun.replay = "seed " + std::to_string(options.seed) + "\n";
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"PLUMO_VIDEO", options.video},
          {"PLUMO_FPS", "0"},
          {"PLUMO_SEED", std::to_string(options.seed)},
          {"PLUMO_TRACE", options.tracePath},
          {"PLUMO_REPLAY", ""},
          {"PLUMO_RECORD", ""},
          {"PLUMO_FRAMES", ""},
          {"PLUMO_SHOT_FRAMES", ""}}) {
        value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
    }
    const GameObserver previous = SetGameObserver([](const GameFrameView& view) {
        gRun.sawGameFrame = true;
        gRun.next = gRun.controller->OnGameFrame(view);
    });
    std::fenv_t testEnvironment;
    std::fegetenv(&testEnvironment);
    SetProgramFloatingPoint();
    ProgramState state;
    const int exitCode = RunUnderHandler(state, ControlledSteps, stderr);
    std::fesetenv(&testEnvironment);
    SetGameObserver(previous);
    return {exitCode, gRun.acts, gRun.replay};
}

int64_t GameAllocations() {
    return Allocations() - gRun.allocationsInsideAct + gRun.libraryAllocations;
}

// Pixels ahead of the player; rocks walk on while the hit window is closed.
constexpr double kNearestSwing = 120.0, kFarthestSwing = 290.0;
constexpr double kWalkDistance = 450.0, kDashDistance = 700.0;
constexpr int64_t kRockRecoil = 5, kRockBreak = 6;
constexpr int64_t kMotionWalk = 1, kMotionDash = 2, kMotionAttack = 3;

HeldButtons Bot::OnTitleFrame() {
    next = {};
    Tap(kJump);
    return last = next;
}

HeldButtons Bot::OnGameFrame(const GameFrameView& view) {
    next = {};
    // The nearest living rock that belongs to the player's line.
    const RockView* target = nullptr;
    for (const RockView& rock : view.rocks) {
        if (rock.active && rock.life > 0 && rock.state != kRockBreak &&
            rock.targetLineY == view.playerLineY &&
            (target == nullptr ||
             std::abs(rock.x - view.playerX) < std::abs(target->x - view.playerX))) {
            target = &rock;
        }
    }
    if (view.retryOffered) {
        Tap(kJump);
    } else if (view.cleared || !view.playerLanded || target == nullptr) {
    } else if (view.playerMotion == kMotionAttack) {
        next[kAttack] = view.playerHitActive && !last[kAttack];  // chain
    } else if (view.playerMotion <= kMotionDash) {
        Approach(view, *target);
    }
    return last = next;
}

// Turns to the rock, jumps back from it when too close, swings when it is in
// reach, and walks (dashing when far) towards a far one.
void Bot::Approach(const GameFrameView& view, const RockView& rock) {
    const bool onRight = rock.x >= view.playerX;
    const int64_t toward = onRight ? kRight : kLeft;
    const double ahead = std::abs(rock.x - view.playerX);
    const bool walking = view.playerMotion == kMotionWalk || view.playerMotion == kMotionDash;
    if (view.playerFacing != (onRight ? 0 : 1)) {
        Tap(toward);
    } else if (ahead < kNearestSwing) {
        Tap(kJump);
    } else if (ahead <= kFarthestSwing) {
        next[kAttack] = rock.state != kRockRecoil && !last[kAttack];
    } else if (ahead > kWalkDistance && (walking || !last[toward])) {
        // A stopped walk lets go first, so that the next frame pushes again.
        next[toward] = true;
        next[kDash] = ahead > kDashDistance;
    }
}

}  // namespace morva::game_test
