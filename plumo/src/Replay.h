// Replay files: reading one to play its buttons, and recording a session as one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Buttons.h"
#include "LineWriter.h"

namespace plumo {

// The version a recording's first line names; files without the line read as it.
inline constexpr int64_t kReplayFormat = 1;

struct ReplayEvent {
    int64_t frame;
    int button;
    bool down;
};

class Replay {
public:
    // Raises naming the file, and the line where there is one, for a file that
    // is not a regular file, cannot be read, is too large or is malformed.
    static Replay Read(const std::string& path);

    std::optional<uint64_t> Seed() const { return seed; }
    // Presses and releases, in file order, the buttons of the events due by `frame`.
    void PlayUntil(int64_t frame, HoldCounter& holds);

private:
    friend class ReplayReader;

    std::optional<uint64_t> seed;
    std::vector<ReplayEvent> events;
    size_t next = 0;
};

// The session's input as a replay file, so playing it repeats the session.
class Recording {
public:
    // Writes the format and seed lines; raises if the file cannot be written.
    void Open(const std::string& path, uint64_t seed);
    void Write(int64_t frame, const std::vector<HoldCounter::Change>& changes);
    void Flush() { lines.Flush(); }
    void Close() { lines.Close(); }

private:
    LineWriter lines;
};

}  // namespace plumo
