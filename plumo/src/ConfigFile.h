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
#include "IniText.h"

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
    // Reads <folder>/settings.ini, or, to `remember` a window's state, writes
    // the defaults there when there is none. Each line that cannot be read is
    // one warning (a handful at most, then how many more) and the rest
    // applies; a file that cannot be read at all leaves the defaults. Without
    // a folder nothing is read or written; without `remember` nothing is written.
    static ConfigFile Load(const std::optional<std::string>& folder, bool remember);

    const Preferences& Prefs() const { return prefs; }
    // Where the file lies; empty without one.
    const std::string& Folder() const { return folder; }
    // Writes the window's state into the file, every other line as it was;
    // nothing when the file already says it.
    void SaveWindow(const WindowPlacement& now);

private:
    friend class ConfigReader;

    void WriteDefaults();
    // False, after one warning a run, when the file cannot be written.
    bool Write();

    std::string folder;
    std::string path;
    Preferences prefs;
    // The file as read or written, to rewrite it.
    IniText text;
    // Only a file read whole, or written afresh, is ever written over.
    bool writable = false;
    bool warnedWrite = false;
};

}  // namespace plumo
