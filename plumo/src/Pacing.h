// Frame pacing, and the log of when each frame was presented.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "FrameWait.h"
#include "InputMargin.h"
#include "LineWriter.h"

namespace plumo {

// Holds Act to the frame rate. Either it waits before the present, so every
// frame is shown at its time, or (reading late) it waits until the margin
// before a frame is due, so the devices are read as late as the frame allows,
// and holds the drawn frame until its time; a frame that carries a new press
// is shown as soon as it is drawn. It waits as the system does (FrameWait.h).
class FrameTimer {
public:
    FrameTimer(int64_t framesPerSecond, bool readLate);

    // The current frame is due a period from now; after a pause, the frames
    // lost are not made up.
    void Restart();
    // Act was called: the game's frame is drawn. Waits for its time unless it
    // shows a new press (`pressed`) that the devices were read late for.
    void BeforePresent(bool pressed);
    // The frame was shown. `waited`: the present itself waited for the
    // display's refresh, which then sets the pace.
    void AfterPresent(bool waited);
    // Reading late, waits until the margin before the next frame is due.
    void BeforeInput();

    // Until when the game may spend up to `budget` on work of its own after
    // the present without delaying the next frame: none when it waits before
    // presenting, no limit when unpaced.
    Clock::time_point SpareUntil(Clock::duration budget) const;

    bool ReadsLate() const { return readLate; }
    InputMargin::Duration Margin() const { return margin.Get(); }

    // After a late frame, intervals are at most this share of a period short
    // until it is made up: no burst of short frames.
    static constexpr int kCatchUpDivisor = 20;

private:
    Clock::time_point PresentTime() const;
    Clock::time_point ReadTime() const;
    void WaitUntil(Clock::time_point target) const;

    Clock::duration period;  // zero when unpaced
    bool readLate;
    // Reading late, when the next frame is to be shown; else when it is due.
    Clock::time_point due{};
    // When the devices were last read, the game's frame drawn and handed over.
    std::optional<Clock::time_point> read;
    Clock::time_point drawn{};
    Clock::time_point handed{};
    bool presentWaits = false;
    bool showsPress = false;
    InputMargin margin;
};

// One line per presented frame: microseconds since Init.
class FrameLog {
public:
    // Writes the header; raises if the file cannot be written.
    void Open(const std::string& path, Clock::time_point initTime);
    void Mark();
    void Check() { lines.Check(); }
    void Flush() { lines.Flush(); }
    void Close() { lines.Close(); }

private:
    LineWriter lines;
    Clock::time_point init{};
};

}  // namespace plumo
