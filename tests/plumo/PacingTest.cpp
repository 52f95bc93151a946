// How far ahead of a frame's time Act reads the devices, as the game's work
// per frame changes.
#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <utility>

#include "InputMargin.h"

namespace plumo {
namespace {

using std::chrono::microseconds;

struct MarginCase {
    const char* name;
    int64_t framesPerSecond;
    // Runs of frames: how many, and each one's work in microseconds.
    std::initializer_list<std::pair<int, int64_t>> frames;
    int64_t marginUs;
};

// A quarter more than the work and a millisecond, from three tenths of a
// period to a whole one.
const MarginCase kMargins[] = {
    {"before any frame: half a period", 60, {}, 8333},
    {"steady work", 60, {{60, 4000}}, 6000},
    {"a game's first frame and one held-up frame are left out",
     60,
     {{30, 4000}, {1, 40000}, {20, 4000}, {1, 30000}, {8, 4000}},
     6000},
    {"a third long frame in a second counts",
     60,
     {{30, 4000}, {1, 40000}, {1, 30000}, {1, 12000}, {20, 4000}},
     16000},
    {"heavier work raises it at once", 60, {{60, 4000}, {3, 8000}}, 11000},
    {"a second of light work brings it back", 60, {{60, 4000}, {3, 12000}, {60, 3600}}, 5500},
    {"next to no work: three tenths of a period", 60, {{60, 200}}, 4999},
    {"a machine too slow for the rate: a whole period", 60, {{60, 20000}}, 16666},
    {"at 30 a second a second is 30 frames", 30, {{30, 8000}, {3, 20000}, {30, 8000}}, 11000},
    {"at 30 a second the period is longer", 30, {{30, 20000}}, 26000},
};

TEST(Pacing, TheInputMarginFollowsTheLastSecondsLongestWorkButTheFewLongest) {
    for (const MarginCase& c : kMargins) {
        const auto period =
            std::chrono::duration_cast<InputMargin::Duration>(std::chrono::seconds(1)) /
            c.framesPerSecond;
        InputMargin margin(period, c.framesPerSecond);
        for (const auto& [count, workUs] : c.frames) {
            for (int i = 0; i < count; ++i) {
                margin.Note(microseconds(workUs));
            }
        }
        const auto got = std::chrono::duration_cast<microseconds>(margin.Get()).count();
        EXPECT_EQ(got, c.marginUs) << c.name;
    }
}

}  // namespace
}  // namespace plumo
