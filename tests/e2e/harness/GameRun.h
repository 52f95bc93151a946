// End-to-end harness: runs the real program (build/morva with the real game
// library and textures) as a child process and hands back what it did.
//
//   morva::e2e::RunOptions options;
//   options.frames = 5;                                    // PLUMO_FRAMES
//   options.replay = morva::e2e::Replay(7).Down(2, 0).Up(4, 0).Text();
//   morva::e2e::RunResult run = morva::e2e::RunProgram(options);
//   ASSERT_TRUE(run.Finished()) << run.Describe();
//   const morva::e2e::TraceFrame& first = run.trace.frames.at(0);
//   for (const morva::e2e::TraceCall& draw : first.DrawsOf("title.zqtex")) { ... }
//
// Trace frame n holds the calls made after the n-th Act (frame 0: before the
// first Act), so frame n is what the screen shows as the n-th picture. Every
// call that names a texture carries the file it was loaded from.
//
// Link `morva_e2e_harness`; it makes the program, the library and the
// textures build before any test that links it.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morva::e2e {

// One line of the call trace after the frame line it belongs to.
struct TraceCall {
    std::string name;             // LoadTex, ReleaseTex, DrawTex, DrawTexRot, Rnd, Free
    int64_t texture = 0;          // texture id for LoadTex/ReleaseTex/DrawTex/DrawTexRot, else 0
    std::string file;             // the file that texture id was loaded from, else empty
    std::vector<double> numbers;  // DrawTex: 12, DrawTexRot: 15, Rnd: min max result

    bool IsDraw() const { return name == "DrawTex" || name == "DrawTexRot"; }
};

std::ostream& operator<<(std::ostream& out, const TraceCall& call);

struct PadChange {
    int64_t button = 0;  // library button number, 0 is the space key
    bool down = false;

    bool operator==(const PadChange&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PadChange& change);

struct TraceFrame {
    int64_t number = 0;            // Acts completed before this frame
    std::vector<PadChange> pads;   // what the pad sampling of this frame saw change
    std::vector<TraceCall> calls;  // in call order

    std::vector<TraceCall> Draws() const;
    std::vector<TraceCall> DrawsOf(std::string_view file) const;
    std::vector<TraceCall> CallsNamed(std::string_view name) const;
};

struct Trace {
    std::string title;                  // from the Init line
    std::vector<TraceFrame> frames;     // frames[n].number == n
    bool freed = false;                 // the library's Free was reached
    std::vector<std::string> problems;  // lines the parser did not understand

    // The frame with that number, or nullptr when the run ended before it.
    const TraceFrame* Frame(int64_t number) const;
    // Every call of every frame, in order.
    std::vector<TraceCall> AllCalls() const;
};

Trace ParseTrace(std::string_view text);

// A replay script: `seed <n>` then `<frame> <button> down|up` lines, where
// frame is the number of Acts completed before the first frame that sees the
// change. Buttons are library numbers (0..15) or names (jump, dash, ...).
class Replay {
public:
    explicit Replay(int64_t seed) : seed_(seed) {}

    Replay& Down(int64_t frame, int64_t button);
    Replay& Up(int64_t frame, int64_t button);
    Replay& Down(int64_t frame, std::string_view button);
    Replay& Up(int64_t frame, std::string_view button);
    // Down at frame, up holdFrames later.
    Replay& Tap(int64_t frame, int64_t button, int64_t holdFrames);

    // Events sorted by frame, those of one frame in the order given.
    std::string Text() const;

private:
    struct Event {
        int64_t frame;
        std::string button;
        bool down;
    };

    int64_t seed_;
    std::vector<Event> events_;
};

struct RunOptions {
    int64_t seed = 1;                   // PLUMO_SEED (a replay's own seed line wins)
    int64_t frames = 0;                 // PLUMO_FRAMES: the n-th Act ends the run; 0 unset
    std::optional<std::string> replay;  // text for PLUMO_REPLAY, written to a temp file
    bool record = false;                // PLUMO_RECORD into RunResult::recordText
    std::string video = "none";         // PLUMO_VIDEO
    std::vector<int64_t> shotFrames;    // PLUMO_SHOT_FRAMES
    std::string shotDir;                // PLUMO_SHOT_DIR; must exist when shots are asked
    std::vector<std::pair<std::string, std::string>> extraEnv;
    std::chrono::milliseconds timeout{60000};  // the child is killed after this
};

struct RunResult {
    int exitCode = -1;  // -1 when the child did not exit normally
    int signal = 0;     // the signal that ended the child, 0 none
    bool timedOut = false;
    std::string stderrText;
    std::string stdoutText;
    std::string traceText;
    std::string recordText;
    Trace trace;

    // Exited on its own with code 0.
    bool Finished() const { return !timedOut && signal == 0 && exitCode == 0; }
    // Exit status, stderr and the trace's tail, for assertion messages.
    std::string Describe() const;
};

// Runs the program in its build folder with a cleaned PLUMO_* environment plus
// PLUMO_FPS=0 and the options, and waits for it. Temp files are removed
// unless MORVA_E2E_KEEP is set in the test's environment.
RunResult RunProgram(const RunOptions& options);

std::string ProgramPath();
std::string DataDir();
// Files the program needs that are not built yet (program, library,
// textures); empty when everything is in place.
std::vector<std::string> MissingFiles();

}  // namespace morva::e2e
