#include "Pacing.h"

#include <algorithm>

namespace plumo {

FrameTimer::FrameTimer(int64_t framesPerSecond, bool readLate)
    : period(framesPerSecond > 0
                 ? std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) /
                       framesPerSecond
                 : Clock::duration::zero()),
      readLate(readLate && framesPerSecond > 0),
      margin(period, std::max<int64_t>(framesPerSecond, 1)) {}

void FrameTimer::Restart() {
    const Clock::time_point now = Clock::now();
    due = now + period;
    handed = now;
    // A minimised window's wait is none of the game's work.
    if (read) {
        read = now;
    }
}

void FrameTimer::BeforePresent(bool pressed) {
    if (period == Clock::duration::zero()) {
        return;
    }
    if (readLate) {
        drawn = Clock::now();
        // Held to its time, a frame that takes longer than the ones before it
        // (a scene's first) is not shown later than they were.
        showsPress = pressed;
        if (read && !pressed && !presentWaits) {
            HoldFrame(PresentTime());
        }
        handed = Clock::now();
        return;
    }
    // Late, this returns at once (and a page still gets to show the frame).
    WaitUntil(due);
    const Clock::time_point now = Clock::now();
    // A frame that ran long is not made up with a burst of short ones.
    due = (now - due > period ? now : due) + period;
}

void FrameTimer::AfterPresent(bool waited) {
    if (!readLate) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (read) {
        margin.Note(drawn - *read);
    }
    presentWaits = waited;
    if (waited) {
        // The present returned at a refresh: the next frame is due a period on.
        due = now + period;
        return;
    }
    // A press shown early sets the beat from there on, and a frame more than
    // a period late starts the count afresh. Where frames are never held (a
    // page), every one is handed over early: the beat stays.
    const bool early = showsPress && handed < due;
    due = (early || handed - due > period ? handed : due) + period;
}

Clock::time_point FrameTimer::PresentTime() const {
    return std::max(due, handed + period - period / kCatchUpDivisor);
}

Clock::time_point FrameTimer::ReadTime() const {
    return PresentTime() - margin.Get();
}

Clock::time_point FrameTimer::SpareUntil(Clock::duration budget) const {
    const Clock::time_point now = Clock::now();
    if (period == Clock::duration::zero()) {
        return Clock::time_point::max();
    }
    return readLate ? std::min(now + budget, ReadTime()) : now;
}

void FrameTimer::BeforeInput() {
    if (!readLate) {
        return;
    }
    const Clock::time_point called = Clock::now();
    const Clock::time_point target = ReadTime();
    WaitUntil(target);
    // Counted from when the read was due, so that a wake the system delays
    // counts as the game's time and the margin covers it too.
    read = std::max(target, called);
}

void FrameTimer::WaitUntil(Clock::time_point target) const {
    WaitForFrame(target);
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
