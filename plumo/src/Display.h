// What the game's picture is drawn on: a window or an offscreen canvas, the
// renderer that draws into it, presenting and screenshots.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Sdl.h"

#include "Failures.h"
#include "Settings.h"

namespace plumo {

// The game's own picture as SDL sizes it.
inline constexpr int kScreenW = static_cast<int>(kScreenWidth);
inline constexpr int kScreenH = static_cast<int>(kScreenHeight);

// Where the window opens and how large; what the settings file remembers.
struct WindowPlacement {
    std::optional<SDL_Point> size;      // none: as large as the desktop allows
    std::optional<SDL_Point> position;  // none: centred
    bool fullscreen = false;
};

class Display {
public:
    // The placement is kept on a display that exists; vsync is asked of
    // renderers that can do it.
    Display(VideoMode mode, const WindowPlacement& placement, bool vsync)
        : mode(mode), windowed(placement), vsync(vsync) {}
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Starts SDL and opens the window or canvas; in none mode there is nothing to open.
    void Open(const std::string& title, const Icon* icon);
    // Null in none mode.
    SDL_Renderer* Renderer() const { return renderer; }

    // Starts a frame from black.
    void Clear();
    // How many frames were started.
    uint64_t Frames() const { return frames; }
    // Runs the draws SDL has queued, so that Show then takes about the same
    // time whatever the frame drew.
    void Finish();
    void Show();
    // Whether Show waits for the display's refresh.
    bool ShowWaits() const { return showWaits; }
    // Saves what is drawn so far as <folder>/<prefix>-<frame>.png, which
    // `path` receives; "" or why not.
    std::string SaveShot(const std::string& folder, const char* prefix, int64_t frame,
                         std::string& path);
    void ToggleFullscreen();
    // A short word to a player who may have no console, after the window's
    // title; "" takes it away. Nothing without a window.
    void Notice(const std::string& text);
    // The window's state as it should open next time: its size and position
    // out of fullscreen.
    WindowPlacement Placement();
    // Remembers the window's size and position while it is an ordinary window.
    void NoteWindowed();

    // What is drawn so far over the whole output, or null when it cannot be
    // read; the caller destroys it.
    SDL_Texture* CaptureOutput();
    // Draws `picture` over the whole output, then goes back to the game's screen.
    void CoverOutput(SDL_Texture* picture);

private:
    void StartSdl();
    void OpenWindow(const std::string& title, const Icon* icon);
    void CreateWindowRenderer();
    void OpenOffscreen();
    void SetIcon(const Icon* icon);
    std::string SavePng(const std::string& path);

    VideoMode mode;
    std::string title;
    WindowPlacement windowed;
    bool vsync;
    bool showWaits = false;
    bool sdlStarted = false;
    bool imageStarted = false;
    SDL_Window* window = nullptr;
    SDL_Surface* canvas = nullptr;
    SDL_Renderer* renderer = nullptr;
    uint64_t frames = 0;
};

}  // namespace plumo
