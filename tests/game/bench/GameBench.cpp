// Measurements of a whole bot game on the real library, in this process:
// unpaced frames a second with no video and with offscreen drawing,
// allocations per play frame, and the process's peak memory. Not a test;
// run build-*/morva_game_bench [seed].
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "AllocationCounter.h"
#include "Drive.h"

namespace morva::game_test {
namespace {

constexpr int64_t kMaxFrames = 20000;

class MeasuringBot : public Bot {
public:
    HeldButtons OnGameFrame(const GameFrameView& view) override {
        ++frames;
        const int64_t allocations = GameAllocations();
        const int64_t made = allocations - lastAllocations;
        lastAllocations = allocations;
        if (view.frame > 1) {
            ++playFrames;
            playAllocations += made;
            if (view.combo > 0) {
                ++comboFrames;
                comboAllocations += made;
            } else if (made > 0) {
                ++allocatingQuietFrames;
            }
            maxPerFrame = made > maxPerFrame ? made : maxPerFrame;
        }
        done = view.retryOffered;
        return Bot::OnGameFrame(view);
    }
    HeldButtons OnTitleFrame() override {
        ++frames;
        return Bot::OnTitleFrame();
    }
    bool Done() const override { return done || frames >= kMaxFrames; }

    bool done = false;
    int64_t frames = 0;
    int64_t lastAllocations = 0;
    int64_t playFrames = 0;
    int64_t playAllocations = 0;
    int64_t comboFrames = 0;
    int64_t comboAllocations = 0;
    int64_t allocatingQuietFrames = 0;
    int64_t maxPerFrame = 0;
};

void Measure(int64_t seed, const std::string& video) {
    MeasuringBot bot;
    RealRunOptions options;
    options.seed = seed;
    options.video = video;
    options.allocationCount = test::AllocationCount;
    options.writeReplay = false;
    const auto start = std::chrono::steady_clock::now();
    const RealRunResult run = RunRealGame(bot, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("video %-9s seed %lld: exit %d, %lld frames in %.3f s = %.0f frames/s\n",
                video.c_str(), static_cast<long long>(seed), run.exitCode,
                static_cast<long long>(run.acts), seconds, static_cast<double>(run.acts) / seconds);
    std::printf(
        "  play frames %lld: %lld allocations (%.3f a frame, at most %lld in one); "
        "%lld frames with a combo made %lld; %lld frames without one allocated\n",
        static_cast<long long>(bot.playFrames), static_cast<long long>(bot.playAllocations),
        bot.playFrames > 0
            ? static_cast<double>(bot.playAllocations) / static_cast<double>(bot.playFrames)
            : 0.0,
        static_cast<long long>(bot.maxPerFrame), static_cast<long long>(bot.comboFrames),
        static_cast<long long>(bot.comboAllocations),
        static_cast<long long>(bot.allocatingQuietFrames));
}

}  // namespace
}  // namespace morva::game_test

int main(int argc, char** argv) {
    const int64_t seed = argc > 1 ? std::atoll(argv[1]) : 1;
    morva::game_test::Measure(seed, "none");
    morva::game_test::Measure(seed, "offscreen");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of this process: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
