// The PLUMO_ environment variables, read once by Init.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace plumo {

enum class VideoMode {
    kWindow,     // a window on the display
    kOffscreen,  // real pixels in memory, nothing shown
    kNone,       // nothing drawn; textures are still checked
};

struct Settings {
    VideoMode video = VideoMode::kWindow;
    int64_t framesPerSecond = 0;  // 0 runs unpaced
    int64_t frameLimit = 0;       // the Act that ends the session quietly; 0 for none
    std::optional<uint64_t> seed;
    std::string replayPath;  // empty: buttons come from keyboard and controllers
    std::string recordPath;
    std::string tracePath;
    std::string frameLogPath;
    std::set<int64_t> shotFrames;
    std::string shotDir = ".";
    bool memReport = false;
    // Where settings.ini is read and written; none for no file at all.
    std::optional<std::string> configDir;
};

// Raises naming the variable when one is malformed or cannot be honoured;
// nothing is opened before every one has passed.
Settings ReadSettings();

// An environment variable's text, or null when it is unset or empty.
const char* EnvText(const char* name);

}  // namespace plumo
