#include "Pacing.h"

#include "FrameWait.h"

namespace plumo {

FrameTimer::FrameTimer(int64_t framesPerSecond)
    : period(framesPerSecond > 0
                 ? std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) /
                       framesPerSecond
                 : Clock::duration::zero()) {}

void FrameTimer::Pace() {
    if (period == Clock::duration::zero()) {
        return;
    }
    const Clock::time_point target = frameStart + period;
    // Late, this returns at once (and a page still gets to show the frame).
    WaitForFrame(target);
    const Clock::time_point now = Clock::now();
    // A frame that ran long is not made up with a burst of short ones.
    frameStart = now - target > period ? now : target;
}

void FrameLog::Open(const std::string& path, Clock::time_point initTime) {
    init = initTime;
    lines.Create(path, "frame log");
    // The wall-clock time of Init lets a script relate the log to the process start.
    const auto wall = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    lines.Word("# plumo-frame-log 1: present time in microseconds since Init; Init at")
        .Int(wall.count())
        .Word("microseconds since the epoch")
        .EndLine();
}

void FrameLog::Mark() {
    if (lines.IsOpen()) {
        const auto since =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - init);
        lines.Int(since.count()).EndLine();
    }
}

}  // namespace plumo
