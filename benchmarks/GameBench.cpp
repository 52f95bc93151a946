// Measurements of a replayed game on the real library, in this process:
// unpaced frames a second with no video and with offscreen drawing, the heap
// allocations made outside the library's Act, and the process's peak memory.
// Not a test: build-*/morva_game_bench [replay [frames]]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "AllocationCounter.h"
#include "app/Platform.h"
#include "app/Startup.h"

namespace morva {
namespace {

struct Counts {
    plumo::ActFn act = nullptr;
    int64_t acts = 0;
    int64_t insideAct = 0;     // allocations the library makes while showing a frame
    int64_t outsideAct = 0;    // the game's own, and its other library calls'
    int64_t lastOutside = 0;   // allocations seen when the previous Act returned
    int64_t busiestFrame = 0;  // the most made in one frame
    int64_t allocatingFrames = 0;
} gCounts;

void CountingAct() {
    const int64_t made = test::AllocationCount() - gCounts.lastOutside;
    gCounts.outsideAct += made;
    gCounts.busiestFrame = std::max(gCounts.busiestFrame, made);
    gCounts.allocatingFrames += made > 0 ? 1 : 0;
    const int64_t before = test::AllocationCount();
    gCounts.act();
    ++gCounts.acts;
    gCounts.lastOutside = test::AllocationCount();
    gCounts.insideAct += gCounts.lastOutside - before;
}

void Measure(const char* video, const char* replay, const char* frames) {
    setenv("PLUMO_VIDEO", video, 1);
    setenv("PLUMO_FPS", "0", 1);
    setenv("PLUMO_REPLAY", replay, 1);
    setenv("PLUMO_FRAMES", frames, 1);
    setenv("PLUMO_CONFIG_DIR", "none", 1);
    for (const char* name : {"PLUMO_TRACE", "PLUMO_RECORD", "PLUMO_SHOT_FRAMES", "PLUMO_SEED"}) {
        unsetenv(name);
    }
    gCounts = {};
    gCounts.lastOutside = test::AllocationCount();
    platform::SetProgramFloatingPoint();
    ProgramState state;
    const auto start = std::chrono::steady_clock::now();
    const int exitCode = RunUnderHandler(
        state,
        [](ProgramState& run) {
            LoadAndBind(run);
            void*& act = lib::Bindings()[static_cast<std::size_t>(lib::Export::Act)];
            gCounts.act = reinterpret_cast<plumo::ActFn>(
                std::exchange(act, reinterpret_cast<void*>(&CountingAct)));
            InitAndRun(run);
        },
        stderr);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto acts = static_cast<double>(gCounts.acts);
    std::printf("video %-9s exit %d: %lld frames in %.3f s = %.0f frames/s\n", video, exitCode,
                static_cast<long long>(gCounts.acts), seconds, acts / seconds);
    std::printf(
        "  allocations outside Act: %lld (%.3f a frame, at most %lld in one, in %lld frames); "
        "inside Act: %lld\n",
        static_cast<long long>(gCounts.outsideAct), static_cast<double>(gCounts.outsideAct) / acts,
        static_cast<long long>(gCounts.busiestFrame),
        static_cast<long long>(gCounts.allocatingFrames),
        static_cast<long long>(gCounts.insideAct));
}

}  // namespace
}  // namespace morva

int main(int argc, char** argv) {
    const char* replay = argc > 1 ? argv[1] : MORVA_DEMO_REPLAY;
    const char* frames = argc > 2 ? argv[2] : "3400";
    morva::Measure("none", replay, frames);
    morva::Measure("offscreen", replay, frames);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of this process: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
