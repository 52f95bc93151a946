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
    return reinterpret_cast<Fn>(std::exchange(slot, reinterpret_cast<void*>(replacement)));
}

struct RealRun {
    Controller* controller = nullptr;
    RealRunOptions options;
    plumo::ActFn realAct = nullptr;
    plumo::AllocMemFn realAllocMem = nullptr;
    std::array<int64_t, 16> counts{};  // as Pad reports them
    HeldButtons next{};
    bool sawGameFrame = false;
    int64_t acts = 0, libraryAllocations = 0, allocationsInsideAct = 0;
    std::string replay;
} gRun;

// After the library's frame: the next frame's hold counts and replay lines.
void ControlledAct() {
    const int64_t before = gRun.options.allocationCount();
    gRun.realAct();
    gRun.allocationsInsideAct += gRun.options.allocationCount() - before;
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

// The program's start-up steps with the controller bound between binding and Init.
void ControlledSteps(ProgramState& state) {
    const std::string path = LibraryPath();
    state.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (state.library == nullptr || BindExports(state.library) < lib::kExportCount) {
        throw StartupFailure("cannot bind " + path);
    }
    gRun.realAct = Rebind<plumo::ActFn>(lib::Export::Act, &ControlledAct);
    gRun.realAllocMem =
        Rebind<plumo::AllocMemFn>(lib::Export::AllocMem, [](int64_t size, int64_t r) {
            ++gRun.libraryAllocations;
            return gRun.realAllocMem(size, r);
        });
    Rebind<plumo::PadFn>(lib::Export::Pad, [](int64_t pad, int64_t button) {
        return pad == 0 && button >= 0 && button < 16 ? gRun.counts.at(button) : int64_t{0};
    });
    state.title.emplace(kWindowTitle);
    const lib::StringRecord titleCopy(lib::ToText(*state.title->get()));
    lib::Init({plumo::kProgramSignature, plumo::kProgramMode, reinterpret_cast<const void*>(&Start),
               &ProgramIcon(), &FailureAddress(), titleCopy.get()});
    Main();
}

}  // namespace

RealRunResult RunRealGame(Controller& controller, const RealRunOptions& options) {
    gRun = {.controller = &controller,
            .options = options,
            .replay = "seed " + std::to_string(options.seed) + "\n"};
    const char* const names[] = {"PLUMO_VIDEO",  "PLUMO_FPS",        "PLUMO_SEED",
                                 "PLUMO_TRACE",  "PLUMO_REPLAY",     "PLUMO_RECORD",
                                 "PLUMO_FRAMES", "PLUMO_SHOT_FRAMES"};
    const std::string values[8] = {options.video, "0", std::to_string(options.seed),
                                   options.tracePath};
    for (int i = 0; i < 8; ++i) {  // an empty value unsets
        values[i].empty() ? unsetenv(names[i]) : setenv(names[i], values[i].c_str(), 1);
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
    return gRun.options.allocationCount() - gRun.allocationsInsideAct + gRun.libraryAllocations;
}

// Pixels from the player; rocks walk on while the hit window is closed.
constexpr double kNearestSwing = 120.0, kFarthestSwing = 290.0;
constexpr double kWalkDistance = 450.0, kDashDistance = 700.0;
constexpr int64_t kRockRecoil = 5, kRockBreak = 6, kMotionWalk = 1, kMotionAttack = 3;

HeldButtons Bot::OnGameFrame(const GameFrameView& view) {
    next = {};
    const RockView* rock = nullptr;  // the nearest living one on the player's line
    double ahead = INFINITY;
    for (const RockView& other : view.rocks) {
        const double distance = std::abs(other.x - view.playerX);
        if (other.active && other.life > 0 && other.state != kRockBreak &&
            other.targetLineY == view.playerLineY && distance < ahead) {
            rock = &other;
            ahead = distance;
        }
    }
    const bool onRight = rock != nullptr && rock->x >= view.playerX;
    const int64_t toward = onRight ? kRight : kLeft;
    if (view.retryOffered) {
        Tap(kJump);
    } else if (view.cleared || !view.playerLanded || rock == nullptr ||
               view.playerMotion > kMotionAttack) {
    } else if (view.playerMotion == kMotionAttack) {
        next[kAttack] = view.playerHitActive && !last[kAttack];  // chain
    } else if (view.playerFacing != (onRight ? 0 : 1)) {
        Tap(toward);
    } else if (ahead < kNearestSwing) {
        Tap(kJump);
    } else if (ahead <= kFarthestSwing) {
        next[kAttack] = rock->state != kRockRecoil && !last[kAttack];
    } else if (ahead > kWalkDistance && (view.playerMotion >= kMotionWalk || !last[toward])) {
        // A stopped walk lets go first, so that the next frame pushes again.
        next[toward] = true;
        next[kDash] = ahead > kDashDistance;
    }
    return last = next;
}

}  // namespace morva::game_test
