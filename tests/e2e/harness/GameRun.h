// Runs the real program with the real library and textures (linking
// `morva_e2e_harness` builds them first) and reads back its call trace.
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

// Trace frame n holds what the n-th picture shows: the calls after the n-th
// Act (frame 0: before the first), and the pad changes its sampling saw.
struct TraceFrame {
    int64_t number = 0;
    std::vector<std::string> pads;  // "<button> down|up"
    std::vector<TraceCall> calls;
    std::vector<TraceCall> DrawsOf(std::string_view file) const;  // every draw for ""
    std::vector<TraceCall> CallsNamed(std::string_view name) const;
};

struct Trace {
    std::string title;                          // from the Init line
    std::vector<TraceFrame> frames;             // frames[n].number == n
    std::vector<std::string> problems;          // lines that do not read as the trace format
    const TraceFrame* Frame(int64_t n) const {  // nullptr when the run ended before it
        return n >= 0 && n < static_cast<int64_t>(frames.size()) ? &frames[n] : nullptr;
    }
};

// A replay script: `seed <n>`, then `<frame> <button> down|up` in frame order,
// where frame counts the Acts before the first frame that sees it.
struct Replay {
    explicit Replay(int64_t seed) : text("seed " + std::to_string(seed) + "\n") {}
    Replay& Down(int64_t frame, int64_t button) { return Add(frame, button, " down\n"); }
    Replay& Up(int64_t frame, int64_t button) { return Add(frame, button, " up\n"); }
    Replay& Add(int64_t frame, int64_t button, const char* way) {
        text += std::to_string(frame) + " " + std::to_string(button) + way;
        return *this;
    }
    std::string text;
};

struct RunOptions {
    int64_t seed = 1;                   // PLUMO_SEED (a replay's own seed line wins)
    int64_t frames = 0;                 // PLUMO_FRAMES; 0 leaves it unset
    std::optional<std::string> replay;  // PLUMO_REPLAY text
    bool record = false;                // PLUMO_RECORD into RunResult::recordText
};

struct RunResult {
    int exitCode = -1;  // -1 when the program did not exit by itself
    int signal = 0;     // SIGKILL: it ran out of time
    std::string stderrText, traceText, recordText;
    Trace trace;
    bool Finished() const { return signal == 0 && exitCode == 0; }
    std::string Describe() const;  // exit status, stderr, unread lines, the trace's tail
};

// Runs the program under `timeout` (60 s) with PLUMO_VIDEO=none, PLUMO_FPS=0 and the
// options' settings in place of the test's PLUMO_ ones; throws when it is not built.
// MORVA_E2E_KEEP keeps the temp files.
RunResult RunProgram(const RunOptions& options);

}  // namespace morva::e2e
