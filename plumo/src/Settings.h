// The PLUMO_ environment variables, read once by Init.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "Environment.h"

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
    std::string shotDir;  // empty: frames are shot into the current folder
    // The player's screenshots (F12): PLUMO_SHOT_DIR, else their pictures folder.
    std::optional<std::string> playerShotDir;
    bool memReport = false;
    // Where settings.ini is read and written; none for no file at all.
    std::optional<std::string> configDir;
};

// Raises naming the variable when one is malformed or cannot be honoured;
// nothing is opened before every one has passed. An output inside
// `gameFolder` (the library's own) is refused, so no run overwrites the game.
Settings ReadSettings(const std::string& gameFolder);

}  // namespace plumo
