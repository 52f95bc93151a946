// Cost of the play field's per-frame drawing against the fake library, with
// the heap allocations of each frame counted. The fake records each draw in
// a fresh vector, so those are taken off: the stage and a board without a
// combo should show 0 game allocs/frame.
#include <benchmark/benchmark.h>

#include "AllocationCounter.h"
#include "FakeLibrary.h"
#include "field/ScoreBoard.h"
#include "field/Stage.h"

namespace {

constexpr double kTreeStretch = 20000;  // pixels: the view sweeps over the wood

void Report(benchmark::State& state, int64_t allocationsBefore, int64_t recordedDraws) {
    const auto perFrame = [](double total) {
        return benchmark::Counter(total, benchmark::Counter::kAvgIterations);
    };
    const int64_t allocations = morva::test::AllocationCount() - allocationsBefore;
    state.counters["draws/frame"] = perFrame(static_cast<double>(recordedDraws));
    state.counters["game allocs/frame"] =
        perFrame(static_cast<double>(allocations - recordedDraws));
}

void StageDraw(benchmark::State& state) {
    fake::FakeLibrary library;
    library.draws.reserve(64);
    morva::Stage stage;
    stage.Init();
    stage.Load(0, 0, 1600, 900);
    double viewX = 0;
    int64_t draws = 0;
    const int64_t before = morva::test::AllocationCount();
    for (auto _ : state) {
        library.draws.clear();
        stage.Scroll(0, 0);
        stage.Draw(viewX, 0);
        draws += static_cast<int64_t>(library.draws.size());
        viewX = viewX >= kTreeStretch ? -1600 : viewX + 7;
    }
    Report(state, before, draws);
}
BENCHMARK(StageDraw);

void ScoreBoardDraw(benchmark::State& state) {
    const bool comboRuns = state.range(0) != 0;
    fake::FakeLibrary library;
    library.draws.reserve(64);
    morva::ScoreBoard board;
    board.Init();
    board.Load(0, 0, 1600, 900);
    int64_t draws = 0;
    const int64_t before = morva::test::AllocationCount();
    for (auto _ : state) {
        library.draws.clear();
        if (comboRuns) {
            board.AddCombo();
        }
        board.Tick();
        board.Draw(0, 0);
        draws += static_cast<int64_t>(library.draws.size());
    }
    Report(state, before, draws);
}
BENCHMARK(ScoreBoardDraw)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
