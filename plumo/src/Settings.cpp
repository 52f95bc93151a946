#include "Settings.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

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
        Raise(kLibraryFailure, "PLUMO_FPS must not be negative");
    }
    settings.frameLimit = EnvNumber<int64_t>("PLUMO_FRAMES", 0);
    settings.shotFrames = ReadFrameList();
    if (const char* dir = EnvText("PLUMO_SHOT_DIR")) {
        settings.shotDir = dir;
    }
    settings.replayPath = EnvString("PLUMO_REPLAY");
    if (EnvText("PLUMO_SEED") != nullptr) {
        settings.seed = EnvNumber<uint64_t>("PLUMO_SEED", 0);
    }
    settings.recordPath = EnvString("PLUMO_RECORD");
    settings.memReport = EnvText("PLUMO_MEM_REPORT") != nullptr;
    return settings;
}

}  // namespace plumo
