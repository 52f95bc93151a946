// The player's settings file, settings.ini in the configuration folder: what
// the keys and controller inputs do, the window, vsync and pausing when the
// focus goes. Nothing in it, and no file that cannot be read or written,
// stops the game.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Bindings.h"
#include "Display.h"

namespace plumo {

struct Preferences {
    Bindings bindings = Bindings::Defaults();
    WindowPlacement window;
    bool vsync = true;
    bool pauseOnFocusLoss = true;
    bool lowLatency = true;
};

class ConfigFile {
public:
    // Reads <folder>/settings.ini, or writes the defaults there when there is
    // none. Each line that cannot be read is one warning and the rest applies;
    // a file that cannot be read at all leaves the defaults. Without a folder
    // nothing is read or written.
    static ConfigFile Load(const std::optional<std::string>& folder);

    const Preferences& Prefs() const { return prefs; }
    // Writes the window's state into the file, every other line as it was;
    // nothing when the file already says it.
    void SaveWindow(const WindowPlacement& now);
    // Adds the mappings of gamecontrollerdb.txt beside the file, if the player
    // put one there; SDL's controllers must have started.
    void AddControllerMappings() const;

private:
    friend class ConfigReader;

    // The [window] entries SaveWindow keeps up to date: fullscreen, size, position.
    static constexpr size_t kRemembered = 3;

    void WriteDefaults();
    // False, after one warning a run, when the file cannot be written.
    bool Write(const std::vector<std::string>& text);

    std::string folder;
    std::string path;
    Preferences prefs;
    // The file as read, without line ends, to rewrite it.
    std::vector<std::string> lines;
    std::string newline = "\n";
    bool byteOrderMark = false;
    // Only a file read whole, or written afresh, is ever written over.
    bool writable = false;
    bool warnedWrite = false;
    // The line of each remembered entry, and the line after the [window] section's last.
    std::array<std::optional<size_t>, kRemembered> windowLines;
    std::optional<size_t> windowEnd;
};

}  // namespace plumo
