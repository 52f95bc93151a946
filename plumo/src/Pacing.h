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
// frame is shown at its time, or (reading late) it presents at once and waits
// after, until the margin before the next frame is due, so the devices are
// read as late as the frame allows. It waits as the system does (FrameWait.h).
class FrameTimer {
public:
    FrameTimer(int64_t framesPerSecond, bool readLate);

    // The current frame is due a period from now; after a pause, the frames
    // lost are not made up.
    void Restart();
    // Act was called: the game's frame is drawn. Waits for its time unless
    // reading late.
    void BeforePresent();
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

private:
    Clock::time_point ReadTime() const;
    void WaitUntil(Clock::time_point target) const;

    Clock::duration period;  // zero when unpaced
    bool readLate;
    Clock::time_point due{};
    // When the devices were last read and the game's frame drawn, reading late.
    std::optional<Clock::time_point> read;
    Clock::time_point drawn{};
    Clock::time_point shown{};  // the last present's end, reading late
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
