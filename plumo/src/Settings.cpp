#include "Settings.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "ConfigFolder.h"
#include "Failures.h"

namespace plumo {
namespace {

// The game counts time in frames; every mode plays at the game's own rate
// unless told otherwise, so a headless replay takes as long as the game.
constexpr int64_t kDefaultFramesPerSecond = 60;

template <typename T>
T EnvNumber(const char* name, T fallback) {
    const char* text = EnvText(name);
    if (text == nullptr) {
        return fallback;
    }
    T value{};
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value);
    if (result.ec != std::errc() || result.ptr != end) {
        Raise(kLibraryFailure, std::string(name) + " is not a number: " + text);
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
        Raise(kLibraryFailure, "PLUMO_VIDEO must be window, offscreen or none, not " + name);
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
            Raise(kLibraryFailure, std::string("PLUMO_SHOT_FRAMES is malformed: ") + text);
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

bool SameFile(const std::string& first, const std::string& second) {
    namespace fs = std::filesystem;
    std::error_code error;
    // /dev/null takes any number of outputs.
    if (fs::exists(first, error) && !fs::is_regular_file(first, error)) {
        return false;
    }
    const bool equivalent = fs::equivalent(first, second, error);
    if (!error) {
        return equivalent;
    }
    // One of them is yet to be created: compare where it would be.
    const fs::path firstPath = fs::weakly_canonical(first, error);
    if (error) {
        return first == second;
    }
    const fs::path secondPath = fs::weakly_canonical(second, error);
    return error ? first == second : firstPath == secondPath;
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
                                           (one == other ? "both " + one : one + " and " + other));
            }
        }
    }
}

}  // namespace

const char* EnvText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

Settings ReadSettings() {
    Settings settings;
    settings.frameLogPath = EnvString("PLUMO_FRAME_LOG");
    settings.tracePath = EnvString("PLUMO_TRACE");
    settings.video = ReadVideoMode();
    settings.framesPerSecond = EnvNumber<int64_t>("PLUMO_FPS", kDefaultFramesPerSecond);
    if (settings.framesPerSecond < 0) {
        Raise(kLibraryFailure,
              "PLUMO_FPS must be 0 or more, not " + std::to_string(settings.framesPerSecond));
    }
    settings.frameLimit = EnvNumber<int64_t>("PLUMO_FRAMES", 0);
    if (EnvText("PLUMO_FRAMES") != nullptr && settings.frameLimit < 1) {
        Raise(kLibraryFailure,
              "PLUMO_FRAMES must be at least 1, not " + std::to_string(settings.frameLimit));
    }
    settings.shotFrames = ReadFrameList();
    RequireShootableFrames(settings);
    if (const char* dir = EnvText("PLUMO_SHOT_DIR")) {
        settings.shotDir = dir;
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
    return settings;
}

}  // namespace plumo
