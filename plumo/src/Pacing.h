// Frame pacing, and the log of when each frame was presented.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "FrameWait.h"
#include "LineWriter.h"

namespace plumo {

// Holds each Act to the frame rate.
class FrameTimer {
public:
    explicit FrameTimer(int64_t framesPerSecond);

    // The current frame starts now; after a pause, the frames lost are not made up.
    void Restart() { frameStart = Clock::now(); }
    // Returns when the current frame's time is over.
    void Pace();

private:
    Clock::duration period;  // zero when unpaced
    Clock::time_point frameStart{};
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
