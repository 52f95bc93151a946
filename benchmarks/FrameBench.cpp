// One game-like frame: a few full-screen layers and many small rotated quads.
#include <benchmark/benchmark.h>

#include "Harness.h"

namespace plumo::test {
namespace {

void Frame(benchmark::State& state, const char* video) {
    uint64_t cell = 0;
    Open({{"PLUMO_VIDEO", video}, {"PLUMO_SEED", "1"}}, &cell);
    const Exports& lib = Library();
    Texture* texture = Load("quad.zqtex");
    for (auto _ : state) {
        for (int layer = 0; layer < 4; ++layer) {
            lib.DrawTexRot(texture, 0, 0, 64, 32, 0, 0, 1600, 900, 800, 450, 0, 1, 1, 1, 0.8);
        }
        // Sprites mostly upright, some mirrored, a few turning.
        for (int i = 0; i < 86; ++i) {
            const double x = (i * 173) % 1500;
            const double y = (i * 97) % 800;
            const double srcW = i % 2 == 0 ? 64 : -64;
            const double angle = i % 10 == 0 ? i * 0.1 : 0;
            lib.DrawTexRot(texture, 32 - srcW / 2, 0, srcW, 32, x, y, 128, 64, 64, 32, angle, 1,
                           0.8, 0.6, 1);
        }
        lib.Act();
    }
    state.SetItemsProcessed(state.iterations());
    Drop(texture);
    lib.Free();
}

BENCHMARK_CAPTURE(Frame, Offscreen, "offscreen")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frame, None, "none")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace plumo::test

BENCHMARK_MAIN();
