// End-to-end harness: runs the real program (build/morva with the real game
// library and textures) as a child process and reads back its call trace.
// Linking `morva_e2e_harness` builds the program, library and textures first.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace morva::e2e {

struct TraceCall {
    std::string name;             // LoadTex, ReleaseTex, DrawTex, DrawTexRot, Rnd, Free
    int64_t texture = 0;          // the texture id of texture calls
    std::string file;             // the file that texture id was loaded from
    std::vector<double> numbers;  // DrawTex: 12, DrawTexRot: 15, Rnd: min max result
    bool IsDraw() const { return name == "DrawTex" || name == "DrawTexRot"; }
};
std::ostream& operator<<(std::ostream& out, const TraceCall& call);

struct PadChange {
    int64_t button = 0;
    bool down = false;
    bool operator==(const PadChange&) const = default;
};
std::ostream& operator<<(std::ostream& out, const PadChange& change);

// Trace frame n holds what the n-th picture shows: the calls after the n-th
// Act (frame 0: before the first), and the pad changes its sampling saw.
struct TraceFrame {
    int64_t number = 0;
    std::vector<PadChange> pads;
    std::vector<TraceCall> calls;
    std::vector<TraceCall> Draws() const;
    std::vector<TraceCall> DrawsOf(std::string_view file) const;
    std::vector<TraceCall> CallsNamed(std::string_view name) const;
};

struct Trace {
    std::string title;                              // from the Init line
    std::vector<TraceFrame> frames;                 // frames[n].number == n
    std::vector<std::string> problems;              // lines that do not read as the trace format
    const TraceFrame* Frame(int64_t number) const;  // nullptr when the run ended before it
};

Trace ParseTrace(std::string_view text);

// A replay script: `seed <n>`, then `<frame> <button> down|up` sorted by frame
// (stable), where frame counts the Acts before the first frame that sees it.
class Replay {
public:
    explicit Replay(int64_t seed) : text_("seed " + std::to_string(seed) + "\n") {}

    Replay& Down(int64_t frame, int64_t button) { return Add(frame, button, true); }
    Replay& Up(int64_t frame, int64_t button) { return Add(frame, button, false); }
    Replay& Tap(int64_t frame, int64_t button, int64_t holdFrames) {
        return Down(frame, button).Up(frame + holdFrames, button);
    }
    std::string Text() const;

private:
    Replay& Add(int64_t frame, int64_t button, bool down);

    std::string text_;
    std::vector<std::pair<int64_t, std::string>> events_;
};

struct RunOptions {
    int64_t seed = 1;                   // PLUMO_SEED (a replay's own seed line wins)
    int64_t frames = 0;                 // PLUMO_FRAMES; 0 leaves it unset
    std::optional<std::string> replay;  // PLUMO_REPLAY text
    bool record = false;                // PLUMO_RECORD into RunResult::recordText
    std::string video = "none";         // PLUMO_VIDEO
};

struct RunResult {
    int exitCode = -1;  // -1 when the child did not exit by itself
    int signal = 0;
    bool timedOut = false;
    std::string stderrText;
    std::string traceText;
    std::string recordText;
    Trace trace;
    bool Finished() const { return !timedOut && signal == 0 && exitCode == 0; }
    // Exit status, stderr, unread trace lines and the trace's tail.
    std::string Describe() const;
};

// Runs the program in its build folder with the PLUMO_ settings of the options
// (PLUMO_FPS=0) in place of the test's own. MORVA_E2E_KEEP keeps the temp files.
RunResult RunProgram(const RunOptions& options);

// Files the program needs that are not built yet.
std::vector<std::string> MissingFiles();

}  // namespace morva::e2e
