#include "Settings.h"

#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "ConfigFolder.h"
#include "Failures.h"
#include "FilePath.h"
#include "InputFile.h"
#include "OutputFile.h"

namespace plumo {
namespace {

// The game counts time in frames; every mode plays at the game's own rate
// unless told otherwise, so a headless replay takes as long as the game.
constexpr int64_t kDefaultFramesPerSecond = 60;
// A frame of a microsecond; beyond it the timer could not hold the rate.
constexpr int64_t kMaxFramesPerSecond = 1'000'000;
// How much of a variable's value a message quotes.
constexpr size_t kQuotedBytes = 40;

std::string Quoted(std::string_view text) {
    return "'" + Printable(text, kQuotedBytes) + "'";
}

std::string Shown(const std::string& path) {
    return Printable(path, kShownPathBytes);
}

template <typename T>
T EnvNumber(const char* name, T fallback) {
    const char* text = EnvText(name);
    if (text == nullptr) {
        return fallback;
    }
    T value{};
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value);
    if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
        Raise(kLibraryFailure, std::string(name) + " is out of range: " + Quoted(text));
    }
    if (result.ec != std::errc() || result.ptr != end) {
        Raise(kLibraryFailure, std::string(name) + " is not a number: " + Quoted(text));
    }
    return value;
}

std::string EnvString(const char* name) {
    const char* text = EnvText(name);
    return text != nullptr ? text : "";
}

VideoMode ReadVideoMode() {
    const char* text = EnvText("PLUMO_VIDEO");
    const std::string name = text != nullptr ? text : "window";
    if (name == "window") {
        return VideoMode::kWindow;
    }
    if (name == "offscreen") {
        return VideoMode::kOffscreen;
    }
    if (name != "none") {
        Raise(kLibraryFailure,
              "PLUMO_VIDEO must be window, offscreen or none, not " + Quoted(name));
    }
    return VideoMode::kNone;
}

std::set<int64_t> ReadFrameList() {
    std::set<int64_t> frames;
    const char* text = EnvText("PLUMO_SHOT_FRAMES");
    if (text == nullptr) {
        return frames;
    }
    const char* pos = text;
    const char* end = text + std::strlen(text);
    while (pos < end) {
        int64_t frame = 0;
        const auto result = std::from_chars(pos, end, frame);
        if (result.ec != std::errc() || (result.ptr != end && *result.ptr != ',')) {
            Raise(kLibraryFailure, "PLUMO_SHOT_FRAMES is malformed: " + Quoted(text));
        }
        frames.insert(frame);
        pos = result.ptr == end ? end : result.ptr + 1;
    }
    return frames;
}

// Frames are counted from 0; with a limit of n, frame n - 1 is the last presented.
void RequireShootableFrames(const Settings& settings) {
    for (const int64_t frame : settings.shotFrames) {
        const int64_t limit = settings.frameLimit;
        if (frame < 0 || (limit > 0 && frame >= limit)) {
            const std::string range = limit > 0
                                          ? " to " + std::to_string(limit - 1) +
                                                " (PLUMO_FRAMES is " + std::to_string(limit) + ")"
                                          : "";
            Raise(kLibraryFailure, "PLUMO_SHOT_FRAMES must name frames from 0" + range + ", not " +
                                       std::to_string(frame));
        }
    }
}

namespace fs = std::filesystem;

bool SameFile(const std::string& first, const std::string& second) {
    std::error_code error;
    // /dev/null takes any number of outputs.
    if (fs::exists(PathOf(first), error) && !fs::is_regular_file(PathOf(first), error)) {
        return false;
    }
    const bool equivalent = fs::equivalent(PathOf(first), PathOf(second), error);
    if (!error) {
        return equivalent;
    }
    // One of them is yet to be created: compare where it would be.
    const fs::path firstPath = fs::weakly_canonical(PathOf(first), error);
    if (error) {
        return first == second;
    }
    const fs::path secondPath = fs::weakly_canonical(PathOf(second), error);
    return error ? first == second : firstPath == secondPath;
}

// Whether `path`, once its links are followed, lies in `folder` or below it.
bool Inside(const std::string& path, const fs::path& folder) {
    std::error_code error;
    const fs::path where = fs::weakly_canonical(fs::absolute(PathOf(path), error), error);
    if (error) {
        return false;
    }
    auto at = where.begin();
    for (const fs::path& part : folder) {
        if (at == where.end() || *at != part) {
            return false;
        }
        ++at;
    }
    return true;
}

// An output must never overwrite the game, nor wait on a FIFO nobody reads.
void RequireWritable(const char* name, const char* kind, const std::string& path,
                     const fs::path& gameFolder) {
    if (path.empty()) {
        return;
    }
    if (!gameFolder.empty() && Inside(path, gameFolder)) {
        Raise(kLibraryFailure, std::string(name) + " must name a file outside the game's folder " +
                                   Shown(Utf8Of(gameFolder)) + ", not " + Shown(path));
    }
    if (const std::string why = OutputRefusal(path); !why.empty()) {
        Raise(kLibraryFailure,
              std::string("cannot write ") + kind + " " + Shown(path) + ": " + why);
    }
}

void RequireShotFolder(const std::string& dir, const fs::path& gameFolder) {
    std::error_code error;
    if (!fs::is_directory(PathOf(dir), error)) {
        Raise(kLibraryFailure, "PLUMO_SHOT_DIR must name a folder, not " + Shown(dir));
    }
    if (!gameFolder.empty() && Inside(dir, gameFolder)) {
        Raise(kLibraryFailure, "PLUMO_SHOT_DIR must name a folder outside the game's folder " +
                                   Shown(Utf8Of(gameFolder)) + ", not " + Shown(dir));
    }
}

// Two outputs on one file would mangle each other, and an output on the
// replay would overwrite it.
void RequireSeparateFiles(const Settings& settings) {
    const std::pair<const char*, const std::string*> files[] = {
        {"PLUMO_REPLAY", &settings.replayPath},
        {"PLUMO_TRACE", &settings.tracePath},
        {"PLUMO_RECORD", &settings.recordPath},
        {"PLUMO_FRAME_LOG", &settings.frameLogPath}};
    for (size_t i = 0; i < std::size(files); ++i) {
        for (size_t j = i + 1; j < std::size(files); ++j) {
            const std::string& one = *files[i].second;
            const std::string& other = *files[j].second;
            if (!one.empty() && !other.empty() && SameFile(one, other)) {
                Raise(kLibraryFailure, std::string(files[i].first) + " and " + files[j].first +
                                           " must name different files, not " +
                                           (one == other ? "both " + Shown(one)
                                                         : Shown(one) + " and " + Shown(other)));
            }
        }
    }
}

}  // namespace

Settings ReadSettings(const std::string& gameFolder) {
    Settings settings;
    settings.frameLogPath = EnvString("PLUMO_FRAME_LOG");
    settings.tracePath = EnvString("PLUMO_TRACE");
    settings.video = ReadVideoMode();
    settings.framesPerSecond = EnvNumber<int64_t>("PLUMO_FPS", kDefaultFramesPerSecond);
    if (settings.framesPerSecond < 0 || settings.framesPerSecond > kMaxFramesPerSecond) {
        Raise(kLibraryFailure, "PLUMO_FPS must be from 0 (unpaced) to " +
                                   std::to_string(kMaxFramesPerSecond) + ", not " +
                                   std::to_string(settings.framesPerSecond));
    }
    settings.frameLimit = EnvNumber<int64_t>("PLUMO_FRAMES", 0);
    if (EnvText("PLUMO_FRAMES") != nullptr && settings.frameLimit < 1) {
        Raise(kLibraryFailure,
              "PLUMO_FRAMES must be at least 1, not " + std::to_string(settings.frameLimit));
    }
    settings.shotFrames = ReadFrameList();
    RequireShootableFrames(settings);
    std::error_code error;
    const fs::path game =
        gameFolder.empty() ? fs::path() : fs::weakly_canonical(PathOf(gameFolder), error);
    if (const char* dir = EnvText("PLUMO_SHOT_DIR")) {
        RequireShotFolder(dir, game);
        settings.shotDir = dir;
        settings.playerShotDir = dir;
    } else if (const std::optional<std::string> pictures = PlayerPicturesFolder()) {
        settings.playerShotDir = JoinPath(*pictures, "MORVA");
    }
    settings.replayPath = EnvString("PLUMO_REPLAY");
    if (EnvText("PLUMO_SEED") != nullptr) {
        settings.seed = EnvNumber<uint64_t>("PLUMO_SEED", 0);
    }
    settings.recordPath = EnvString("PLUMO_RECORD");
    settings.memReport = EnvText("PLUMO_MEM_REPORT") != nullptr;
    const char* configDir = EnvText("PLUMO_CONFIG_DIR");
    if (configDir == nullptr) {
        settings.configDir = PlayerConfigFolder();
    } else if (std::strcmp(configDir, "none") != 0) {
        settings.configDir = configDir;
    }
    RequireSeparateFiles(settings);
    RequireWritable("PLUMO_TRACE", "trace file", settings.tracePath, game);
    RequireWritable("PLUMO_RECORD", "record file", settings.recordPath, game);
    RequireWritable("PLUMO_FRAME_LOG", "frame log", settings.frameLogPath, game);
    return settings;
}

}  // namespace plumo
