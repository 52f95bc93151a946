#include "Session.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <system_error>
#include <vector>

#include "Buttons.h"
#include "ConfigFile.h"
#include "ControllerMappings.h"
#include "Devices.h"
#include "Display.h"
#include "FilePath.h"
#include "InputFile.h"
#include "LibraryPath.h"
#include "LineWriter.h"
#include "Pacing.h"
#include "Pause.h"
#include "Random.h"
#include "Replay.h"
#include "Runtime.h"
#include "Settings.h"
#include "StopSignals.h"
#include "Textures.h"
#include "WarmMemory.h"

namespace plumo {
namespace {

// The stop signals are the library's while a session is open.
class StopSignalScope {
public:
    StopSignalScope() { InstallStopSignals(); }
    ~StopSignalScope() { RestoreStopSignals(); }
    StopSignalScope(const StopSignalScope&) = delete;
    StopSignalScope& operator=(const StopSignalScope&) = delete;
};

// Everything between Init and Free. The parts go in the reverse of their order
// here: textures before the renderer, controllers before SDL quits.
class Session {
public:
    explicit Session(Settings read);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Open(const InitParams& params);
    void Act();
    int64_t Pad(int64_t pad, int64_t button) const;
    Texture* LoadTex(const String* fileName) { return textures.Load(ToUtf8(fileName)); }
    void Draw(const char* name, Texture* texture, std::span<const double> numbers) {
        textures.Draw(name, texture, numbers);
    }
    int64_t Rnd(int64_t min, int64_t max);
    void Flush();
    void Close();

private:
    void OpenTrace(const std::string& title);
    uint64_t ChooseSeed() const;
    void Present();
    // A screenshot the player asked for: one warning when it cannot be saved.
    void SavePlayerShot();
    // A screenshot the run was started to take: raises when it cannot be saved.
    void SaveListedShot();
    void WarmCopyMemory();
    // Of each title frame's idle time, what making scaled copies ahead may take.
    static constexpr auto kPrepareBudget = std::chrono::milliseconds(3);
    // Ends the session quietly when the window was closed or a stop was asked for.
    void EndIfAsked();
    void Sample();

    const StopSignalScope stopSignals;
    const Settings settings;
    ConfigFile config;
    LineWriter trace;
    FrameLog frameLog;
    Recording recording;
    FrameTimer timer;
    Random random;
    HoldCounter holds;
    Replay replay;
    // One sample's changes, kept to reuse their memory.
    std::vector<HoldCounter::Change> recorded;
    std::vector<HoldCounter::Change> seen;
    // A button went down in the frame being drawn: it is shown as soon as drawn.
    bool pressed = false;
    int64_t acts = 0;
    Display display;
    Devices devices;
    // Only a window pauses; its panel names keys through SDL, which a session
    // with nothing to show never loads.
    std::optional<Pause> pause;
    Textures textures;
    // Only a normal end writes the window's state back.
    bool endedNormally = false;
    // The frame from which the window's title stands alone again.
    std::optional<int64_t> noticeEnds;
};

// How long the window's title says where a screenshot went: three seconds of play.
constexpr int64_t kNoticeFrames = 180;

std::unique_ptr<Session> gSession;
// Free reports even after an Init that failed once the settings were read.
bool gReportMemory = false;

Session::Session(Settings read)
    : settings(std::move(read)),
      // Only a real window has a state worth remembering.
      config(ConfigFile::Load(settings.configDir, settings.video == VideoMode::kWindow)),
      timer(settings.framesPerSecond, config.Prefs().lowLatency),
      // Unpaced means as fast as it goes, never held to the display's refresh.
      display(settings.video, config.Prefs().window,
              config.Prefs().vsync && settings.framesPerSecond > 0),
      devices(display, settings.replayPath.empty() ? &holds : nullptr, config.Prefs().bindings,
              config.Prefs().pauseOnFocusLoss),
      textures(display, trace) {
    // A button goes down and up at most once each a frame; held room keeps
    // frames from allocating.
    recorded.reserve(2 * kButtonCount);
    seen.reserve(2 * kButtonCount);
    if (settings.video == VideoMode::kWindow) {
        pause.emplace(display, devices, config.Prefs().bindings, [this](const Bindings& bindings) {
            devices.Rebind(bindings);
            return config.SaveBindings(bindings);
        });
    }
}

void Session::Open(const InitParams& params) {
    const Clock::time_point init = Clock::now();
    const std::string title = ToUtf8(params.title);
    // A replay that cannot be played must not cost an earlier trace.
    if (!settings.replayPath.empty()) {
        replay = Replay::Read(settings.replayPath);
    }
    if (!settings.frameLogPath.empty()) {
        frameLog.Open(settings.frameLogPath, init);
    }
    OpenTrace(title);
    const uint64_t seed = ChooseSeed();
    random.Seed(seed);
    if (!settings.recordPath.empty()) {
        recording.Open(settings.recordPath, seed);
    }
    display.Open(title, params.icon);
    // Not earlier: reading ahead would slow the window's opening, which the
    // player waits for, to win time for the game's start, which they do not.
    textures.SetFolder(LibraryDirectory(), settings.video != VideoMode::kNone);
    if (settings.video == VideoMode::kWindow) {
        AddControllerMappings(config.Folder());
    }
    trace.Word("frame").Int(0).EndLine();
    timer.Restart();
}

void Session::OpenTrace(const std::string& title) {
    if (settings.tracePath.empty()) {
        return;
    }
    trace.Create(settings.tracePath, "trace file");
    trace.Word("plumo-trace").Int(1).EndLine();
    trace.Word("Init").Quoted(title).EndLine();
}

// A replay's own seed wins over PLUMO_SEED; without either each run gets a fresh one.
uint64_t Session::ChooseSeed() const {
    if (replay.Seed()) {
        return *replay.Seed();
    }
    if (settings.seed) {
        return *settings.seed;
    }
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device() ^
           static_cast<uint64_t>(Clock::now().time_since_epoch().count());
}

void Session::Act() {
    // Writes that failed since the last frame, while nothing could be raised.
    trace.Check();
    frameLog.Check();
    // Waiting (when it does) before the frame is shown, not after, keeps the
    // time the game took to draw it out of the interval the player sees.
    display.Finish();
    timer.BeforePresent(pressed);
    Present();
    timer.AfterPresent(display.ShowWaits());
    textures.AfterPresent();
    EndIfAsked();
    if (settings.frameLimit > 0 && acts + 1 >= settings.frameLimit) {
        endedNormally = true;
        Raise(kQuietEnd, "frame limit reached");
    }
    if (pause && devices.PauseAsked()) {
        pause->Hold([this] { SavePlayerShot(); });
        timer.Restart();
        EndIfAsked();
    }
    if (acts == 0) {
        WarmCopyMemory();
    } else {
        textures.PrepareSome(timer.SpareUntil(kPrepareBudget));
    }
    // Reading late, the devices are read just before the next frame must be
    // drawn, so that it shows what was pressed meanwhile.
    timer.BeforeInput();
    if (settings.video == VideoMode::kWindow && devices.Pump()) {
        timer.Restart();
    }
    EndIfAsked();
    ++acts;
    if (noticeEnds && acts >= *noticeEnds) {
        display.Notice("");
        noticeEnds.reset();
    }
    Sample();
    display.Clear();
}

// Once the first frame is shown, while the title is, rather than in the game's
// first frame: room for the large scaled copies it makes, three outputs' worth.
void Session::WarmCopyMemory() {
    int width = 0;
    int height = 0;
    if (!textures.MakesCopies() ||
        SDL_GetRendererOutputSize(display.Renderer(), &width, &height) != 0) {
        return;
    }
    constexpr size_t kOutputs = 3;
    constexpr size_t kMost = size_t{16} << 20;
    WarmMemory(std::min(kOutputs * size_t(width) * size_t(height) * 4, kMost));
}

void Session::Present() {
    const bool listed = settings.shotFrames.contains(acts);
    switch (settings.video) {
        case VideoMode::kNone:
            // Nothing is shown; the log still marks when the frame was handed over.
            break;
        case VideoMode::kOffscreen:
            // The software renderer batches; presenting a surface target just flushes.
            display.Show();
            frameLog.Mark();
            if (listed) {
                SaveListedShot();
            }
            return;
        case VideoMode::kWindow:
            // Read before presenting, which leaves the back buffer undefined.
            if (listed) {
                SaveListedShot();
            }
            if (devices.TakeShotRequest()) {
                SavePlayerShot();
            }
            if (pause && devices.PauseAsked()) {
                pause->Capture();
            }
            display.Show();
            break;
    }
    frameLog.Mark();
}

void Session::SaveListedShot() {
    std::string path;
    if (const std::string why = display.SaveShot(settings.shotDir, "frame", acts, path);
        !why.empty()) {
        Raise(kLibraryFailure,
              "cannot save screenshot " + Printable(path, kShownPathBytes) + ": " + why);
    }
}

void Session::SavePlayerShot() {
    if (!settings.playerShotDir) {
        Warn("cannot save screenshot: there is no pictures folder (PLUMO_SHOT_DIR names one)");
        return;
    }
    const std::string& folder = *settings.playerShotDir;
    std::error_code error;
    std::filesystem::create_directories(PathOf(folder), error);
    std::string path = folder;
    const std::string why = error ? error.message() : display.SaveShot(folder, "shot", acts, path);
    const std::string shown = Printable(path, kShownPathBytes);
    const std::string said = why.empty() ? "screenshot saved as " + shown
                                         : "cannot save screenshot " + shown + ": " + why;
    Warn(said);
    display.Notice(said);
    noticeEnds = acts + kNoticeFrames;
}

void Session::EndIfAsked() {
    if (devices.Closed()) {
        endedNormally = true;
        Raise(kQuietEnd, "the window was closed");
    }
    if (StopRequested()) {
        endedNormally = true;
        Raise(kQuietEnd, "a stop signal arrived");
    }
}

void Session::Sample() {
    replay.PlayUntil(acts, holds);
    recorded.clear();
    seen.clear();
    holds.Sample(recorded, seen);
    pressed = std::any_of(seen.begin(), seen.end(),
                          [](const HoldCounter::Change& change) { return change.down; });

    trace.Word("frame").Int(acts).EndLine();
    for (const HoldCounter::Change& change : seen) {
        trace.Word("pad").Int(change.button).Word(change.down ? "down" : "up").EndLine();
    }
    recording.Write(acts, recorded);
    // Small, and the input that led to a crash is worth the most.
    recording.Flush();
}

// There is one pad; any other reads as never held.
int64_t Session::Pad(int64_t pad, int64_t button) const {
    if (pad != 0 || button < 0 || button >= kButtonCount) {
        return 0;
    }
    return holds.Count(static_cast<int>(button));
}

int64_t Session::Rnd(int64_t min, int64_t max) {
    const int64_t result = random.Between(min, max);
    trace.Word("Rnd").Int(min).Int(max).Int(result).EndLine();
    return result;
}

void Session::Flush() {
    trace.Flush();
    recording.Flush();
    frameLog.Flush();
}

void Session::Close() {
    if (endedNormally && settings.video == VideoMode::kWindow) {
        config.SaveWindow(display.Placement());
    }
    trace.Word("Free").EndLine();
    // A failure raised here has written out the others' lines; ending the
    // session closes them.
    trace.Close();
    recording.Close();
    frameLog.Close();
}

Session& Current() {
    if (!gSession) {
        Raise(kLibraryFailure, "Init has not been called");
    }
    return *gSession;
}

// Writes out what the open session has buffered; nothing without one.
void FlushSession() {
    if (gSession) {
        gSession->Flush();
    }
}

}  // namespace

namespace impl {

int64_t Init(const InitParams* params) {
    if (params == nullptr || params->signature != kProgramSignature) {
        Raise(kLibraryFailure, "Init was called with an unknown parameter signature");
    }
    SetFailureCell(params->failureAddress);
    if (params->mode != kProgramMode) {
        Raise(kLibraryFailure, "Init was called with unknown mode " + std::to_string(params->mode));
    }
    if (gSession) {
        Raise(kLibraryFailure, "Init was called twice");
    }
    Settings settings = ReadSettings(LibraryDirectory());
    gReportMemory = settings.memReport;
    gSession = std::make_unique<Session>(std::move(settings));
    SetFailureFlush(FlushSession);
    try {
        gSession->Open(*params);
    } catch (...) {
        gSession.reset();
        throw;
    }
    return 1;
}

void Free() {
    // However closing the outputs fails, the session ends here.
    struct Ending {
        ~Ending() {
            gSession.reset();
            if (gReportMemory) {
                ReportMemory();
            }
            SetFailureCell(nullptr);
        }
    } ending;
    if (gSession) {
        gSession->Close();
    }
}

void Act() {
    Current().Act();
}

int64_t Pad(int64_t pad, int64_t button) {
    return Current().Pad(pad, button);
}

Texture* LoadTex(const String* fileName) {
    return Current().LoadTex(fileName);
}

void DrawTex(Texture* texture, double srcX, double srcY, double srcW, double srcH, double dstX,
             double dstY, double dstW, double dstH, double red, double green, double blue,
             double alpha) {
    const double numbers[] = {srcX, srcY, srcW, srcH,  dstX, dstY,
                              dstW, dstH, red,  green, blue, alpha};
    Current().Draw("DrawTex", texture, numbers);
}

void DrawTexRot(Texture* texture, double srcX, double srcY, double srcW, double srcH, double dstX,
                double dstY, double dstW, double dstH, double centreX, double centreY, double angle,
                double red, double green, double blue, double alpha) {
    const double numbers[] = {srcX,    srcY,    srcW,  srcH, dstX,  dstY, dstW, dstH,
                              centreX, centreY, angle, red,  green, blue, alpha};
    Current().Draw("DrawTexRot", texture, numbers);
}

int64_t Rnd(int64_t min, int64_t max) {
    return Current().Rnd(min, max);
}

}  // namespace impl
}  // namespace plumo
