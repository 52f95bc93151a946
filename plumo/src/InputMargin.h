// How long before a frame is due Act reads the devices: long enough for the
// game to update and draw in nearly every frame of the last second, so that
// reading late never makes a frame late.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace plumo {

class InputMargin {
public:
    using Duration = std::chrono::steady_clock::duration;

    // Frames remembered, at most: a second at up to this many a second.
    static constexpr size_t kMaxRemembered = 240;
    static constexpr size_t kMinRemembered = 10;
    // The longest few frames of the last second are left out: a game's first
    // frame, or one the system held up, must not slow the keys for a second.
    static constexpr size_t kIgnoredLongest = 2;
    // Room for the sleep's overshoot and the odd slower frame: a quarter of
    // the work, and a millisecond.
    static constexpr auto kSlack = std::chrono::milliseconds(1);
    static constexpr int kSlackDivisor = 4;
    // Never less than this many tenths of a period, however light the last
    // second: the frame a game sets up in (textures loaded, first draws)
    // comes after a title that costs next to nothing, and must still be in
    // time. Presses are shown as soon as drawn, so this costs them nothing.
    static constexpr int kLeastTenths = 3;

    // `framesPerSecond` above 0.
    InputMargin(Duration period, int64_t framesPerSecond)
        : period(period),
          remembered(
              std::clamp(static_cast<size_t>(framesPerSecond), kMinRemembered, kMaxRemembered)),
          margin(period / 2) {}

    // One frame's time from reading the devices to its draws done.
    void Note(Duration work) {
        recent[next] = work;
        next = (next + 1) % remembered;
        count = std::min(count + 1, remembered);
        std::array<Duration, kMaxRemembered> sorted;
        const auto end = std::copy_n(recent.begin(), count, sorted.begin());
        const size_t rank = count > kIgnoredLongest ? count - 1 - kIgnoredLongest : count - 1;
        std::nth_element(sorted.begin(), sorted.begin() + rank, end);
        const Duration high = sorted[rank];
        // Never more than a period: a machine too slow for the frame rate
        // reads right after each present and runs as fast as it can.
        margin = std::clamp(high + high / kSlackDivisor + Duration(kSlack),
                            period * kLeastTenths / 10, period);
    }

    // Half a period until the first frame is measured.
    Duration Get() const { return margin; }

private:
    Duration period;
    size_t remembered;
    std::array<Duration, kMaxRemembered> recent{};
    size_t next = 0;
    size_t count = 0;
    Duration margin;
};

}  // namespace plumo
